// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <string>

#include "label/Odl.h"

namespace skeldra {
namespace {

const OdlValue& valueOf(const OdlLabel& label, const std::string& key)
{
    const OdlValue* value = label.root.find(key);
    if (!value) throw std::runtime_error("no " + key);
    return *value;
}

struct ScalarCase {
    const char* text;
    OdlValue::Kind kind;
    int64_t integer;
    const char* word;
    const char* unit;
};

class OdlScalar : public ::testing::TestWithParam<ScalarCase> {};

TEST_P(OdlScalar, ReadsKindValueAndUnit)
{
    const ScalarCase& c = GetParam();
    const OdlLabel label = parseOdl(std::string("KEY = ") + c.text + "\nEND\n");
    const OdlValue& value = valueOf(label, "KEY");
    EXPECT_EQ(value.kind, c.kind);
    if (c.kind == OdlValue::Kind::Integer) {
        EXPECT_EQ(value.integer, c.integer);
    }
    EXPECT_EQ(value.word(), c.word);
    EXPECT_EQ(value.unit, c.unit);
}

INSTANTIATE_TEST_SUITE_P(
    Values, OdlScalar,
    ::testing::Values(ScalarCase{"1024", OdlValue::Kind::Integer, 1024, "1024", ""},
                      ScalarCase{"-32768", OdlValue::Kind::Integer, -32768, "-32768", ""},
                      ScalarCase{"+7", OdlValue::Kind::Integer, 7, "+7", ""},
                      ScalarCase{"10241 <BYTES>", OdlValue::Kind::Integer, 10241, "10241", "BYTES"},
                      ScalarCase{"5<bytes>", OdlValue::Kind::Integer, 5, "5", "BYTES"},
                      ScalarCase{"16#FF7FFFFB#", OdlValue::Kind::Integer, 0xFF7FFFFB, "16#FF7FFFFB#", ""},
                      ScalarCase{"2#0101#", OdlValue::Kind::Integer, 5, "2#0101#", ""},
                      ScalarCase{"1.5E+03 <M>", OdlValue::Kind::Real, 0, "1.5E+03", "M"},
                      ScalarCase{"-0.25", OdlValue::Kind::Real, 0, "-0.25", ""},
                      ScalarCase{"\"Two words\"", OdlValue::Kind::Text, 0, "TWO WORDS", ""},
                      ScalarCase{"'N/A'", OdlValue::Kind::Symbol, 0, "N/A", ""},
                      ScalarCase{"msb_integer", OdlValue::Kind::Symbol, 0, "MSB_INTEGER", ""},
                      ScalarCase{"N/A", OdlValue::Kind::Symbol, 0, "N/A", ""},
                      ScalarCase{"2004-01-01T12:00:00.000Z", OdlValue::Kind::Symbol, 0, "2004-01-01T12:00:00.000Z",
                                 ""},
                      ScalarCase{"1.2.3", OdlValue::Kind::Symbol, 0, "1.2.3", ""}));

TEST(Odl, SequencesAndSetsNestAndContinueOverLines)
{
    const OdlLabel label = parseOdl("^IMAGE = (\"X.IMG\",\n   12 <BYTES>)\nCORE = ((1, 2),\n (3))\nS = {A, 'b'}\nE = ()\nEND\n");
    const OdlValue& pointer = valueOf(label, "^IMAGE");
    ASSERT_EQ(pointer.kind, OdlValue::Kind::Sequence);
    ASSERT_EQ(pointer.items.size(), 2u);
    EXPECT_EQ(pointer.items[0].text, "X.IMG");
    EXPECT_EQ(pointer.items[1].integer, 12);
    EXPECT_EQ(pointer.items[1].unit, "BYTES");
    const OdlValue& core = valueOf(label, "CORE");
    ASSERT_EQ(core.items.size(), 2u);
    EXPECT_EQ(core.items[0].items[1].integer, 2);
    EXPECT_EQ(core.items[1].items[0].integer, 3);
    EXPECT_EQ(valueOf(label, "S").kind, OdlValue::Kind::Set);
    EXPECT_EQ(valueOf(label, "S").items.size(), 2u);
    EXPECT_TRUE(valueOf(label, "E").items.empty());
}

TEST(Odl, StringsSpanLines)
{
    const OdlLabel label = parseOdl("NOTE = \"first line\r\n  second = line\"\nLINES = 3\nEND\n");
    EXPECT_NE(valueOf(label, "NOTE").text.find("second = line"), std::string::npos);
    EXPECT_EQ(valueOf(label, "LINES").integer, 3);
}

TEST(Odl, CommentsTabsCrLfLowerCaseAndTrailingBlanks)
{
    const std::string text =
        "/* a comment line */\r\n"
        "pds_version_id = PDS3   \r\n"
        "\tRECORD_BYTES\t=\t512 /* trailing comment */\r\n"
        "/* an unclosed comment runs to the line end\r\n"
        "object = image\r\n"
        "  lines = 10  \r\n"
        "end_object = IMAGE\r\n"
        "end   \r\n"
        "binary \x01\x02 garbage = = (";
    const OdlLabel label = parseOdl(text);
    EXPECT_EQ(valueOf(label, "RECORD_BYTES").integer, 512);
    ASSERT_EQ(label.root.children.size(), 1u);
    EXPECT_EQ(label.root.children[0].name, "IMAGE");
    EXPECT_EQ(label.root.children[0].find("LINES")->integer, 10);
    EXPECT_EQ(text.substr(label.endOffset, 6), "binary");
}

TEST(Odl, ObjectsAndGroupsNest)
{
    const OdlLabel label = parseOdl(
        "OBJECT = FILE\n GROUP = G\n  A = 1\n END_GROUP = G\n OBJECT = IMAGE\n  LINES = 2\n END_OBJECT\n"
        "END_OBJECT = FILE\nB = 2\nEND");
    ASSERT_EQ(label.root.children.size(), 1u);
    const OdlObject& file = label.root.children[0];
    EXPECT_EQ(file.kind, "OBJECT");
    ASSERT_EQ(file.children.size(), 2u);
    EXPECT_EQ(file.children[0].kind, "GROUP");
    EXPECT_EQ(file.children[0].find("A")->integer, 1);
    EXPECT_EQ(file.children[1].find("LINES")->integer, 2);
    EXPECT_EQ(label.root.find("B")->integer, 2);
    EXPECT_EQ(label.root.find("LINES"), nullptr);
}

class OdlBroken : public ::testing::TestWithParam<const char*> {};

TEST_P(OdlBroken, IsRefusedWithTheLine)
{
    try {
        parseOdl(GetParam());
        FAIL() << "accepted: " << GetParam();
    } catch (const OdlError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("line ", 0), 0u) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, OdlBroken,
                         ::testing::Values("A = 1\n",                                // no END
                                           "A 1\nEND\n",                              // no "="
                                           "A = (1, 2\nEND\n",                        // open sequence
                                           "A = \"open\nEND\n",                       // open string
                                           "OBJECT = IMAGE\nA = 1\nEND\n",            // END inside object
                                           "OBJECT = IMAGE\nEND_OBJECT = QUBE\nEND\n",  // wrong name
                                           "END_OBJECT = IMAGE\nEND\n",               // stray end
                                           "A = 1 <BYTES\nEND\n",                     // open unit
                                           "A =\nEND\n"));                            // no value

TEST(Odl, ALabelCutShortIsAcceptedWhenEndIsNotRequired)
{
    const OdlLabel label = parseOdl("A = 1\nB = 2\n", false);
    EXPECT_EQ(label.root.find("B")->integer, 2);
}

}  // namespace
}  // namespace skeldra
