// SPDX-License-Identifier: BSD-3-Clause
#include "ui/ControlCatalog.h"

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <set>
#include <stdexcept>
#include <string>

namespace skeldra {
namespace {

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

TEST(ControlCatalog, EveryBoxIsCatalogued)
{
    std::set<std::string> names;
    for (int i = 0; i < boxCount; ++i) {
        const Box box = static_cast<Box>(i);
        const BoxSpec& described = boxSpec(box);
        EXPECT_EQ(described.box, box) << i;
        EXPECT_TRUE(endsWith(described.objectName, "_LabeledNumericEdit")) << described.objectName;
        EXPECT_TRUE(names.insert(described.objectName).second) << described.objectName;
    }
}

TEST(ControlCatalog, EveryChoiceIsCataloguedAndEachGroupHasOneDefault)
{
    std::map<ChoiceGroup, int> checkedPerGroup;
    for (int i = 0; i < choiceCount; ++i) {
        const Choice choice = static_cast<Choice>(i);
        const ChoiceSpec& described = choiceSpec(choice);
        EXPECT_EQ(described.choice, choice) << i;
        const bool checkBox = described.group == ChoiceGroup::None;
        EXPECT_TRUE(endsWith(described.objectName, checkBox ? "_CheckBox" : "_RadioButton"))
            << described.objectName;
        if (checkBox) {
            EXPECT_FALSE(described.checkedByDefault) << described.objectName;
        } else {
            checkedPerGroup[described.group] += described.checkedByDefault ? 1 : 0;
        }
    }
    EXPECT_EQ(checkedPerGroup, (std::map<ChoiceGroup, int>{{ChoiceGroup::DataFormat, 1},
                                                           {ChoiceGroup::BandStructure, 1},
                                                           {ChoiceGroup::OutputKind, 1}}));
    EXPECT_TRUE(choiceSpec(Choice::UnsignedInteger).checkedByDefault);
    EXPECT_TRUE(choiceSpec(Choice::NoBands).checkedByDefault);
    EXPECT_TRUE(choiceSpec(Choice::BMPOutput).checkedByDefault);
    EXPECT_EQ(choiceSpec(Choice::BMPOutput).objectName, "BMP_Output_RadioButton");
}

struct BoxDefault {
    Box box;
    std::string text;
    TInputType type;
};

// The defaults the operations start from.
TEST(ControlCatalog, DefaultsAndTypes)
{
    const TInputType i = TInputType::tInteger;
    const TInputType e = TInputType::tExtended;
    const BoxDefault expected[] = {
        {Box::HeaderBytes, "10240", i}, {Box::NumSamples, "1024", i},
        {Box::BitsPerSample, "8", i},   {Box::Line, "1", i},
        {Box::Sample, "1", i},          {Box::NumBands, "1", i},
        {Box::BandNum, "1", i},         {Box::NumSingleImageLines, "100", i},
        {Box::NumBandPadBytes, "0", i}, {Box::NumRowPadBytes, "0", i},
        {Box::NumBandGapBytes, "0", i}, {Box::StartLine, "1", i},
        {Box::StartSample, "1", i},     {Box::EndLine, "100", i},
        {Box::EndSample, "1024", i},    {Box::NonDataValue, "0", e},
        {Box::MinData, "0", e},         {Box::MaxData, "0", e},
        {Box::OriginSample, "1", i},    {Box::Gamma, "1", e},
        {Box::MaxPreviewDimension, "500", i}, {Box::MaxHeaderLineLength, "0", i},
        {Box::MaxHeaderLines, "0", i},  {Box::ClipPercent, "0", e},
        {Box::TileSamples, "0", i},     {Box::TileLines, "0", i},
        {Box::RedBand, "1", i},         {Box::GreenBand, "2", i},
        {Box::BlueBand, "3", i},
    };
    static_assert(std::size(expected) == boxCount);
    for (const BoxDefault& d : expected) {
        const BoxSpec& described = boxSpec(d.box);
        EXPECT_EQ(described.defaultText, d.text) << described.objectName;
        EXPECT_EQ(described.inputType, d.type) << described.objectName;
        const bool bandBox = d.box == Box::NumBands || d.box == Box::BandNum;
        EXPECT_EQ(described.inputMin, bandBox ? "1" : "") << described.objectName;
        EXPECT_EQ(described.inputMax, "") << described.objectName;
        const bool wide = d.box == Box::NonDataValue || d.box == Box::MinData ||
                          d.box == Box::MaxData;
        EXPECT_EQ(described.editWidth, wide ? 145 : 47) << described.objectName;
    }
}

TEST(ControlCatalog, CaptionMarks)
{
    const std::set<Box> boldRed{Box::HeaderBytes, Box::NumSamples, Box::BitsPerSample,
                                Box::NumBands, Box::NumSingleImageLines};
    const std::set<Box> coreItems{Box::HeaderBytes, Box::Line, Box::Sample, Box::StartLine,
                                  Box::EndLine};
    for (int n = 0; n < boxCount; ++n) {
        const Box box = static_cast<Box>(n);
        const BoxSpec& described = boxSpec(box);
        EXPECT_EQ(described.boldRedCaption, boldRed.count(box) == 1) << described.objectName;
        EXPECT_EQ(described.captionHint,
                  coreItems.count(box) ? "This is the second value in the CORE_ITEMS line in "
                                         "the .LAB file"
                                       : "")
            << described.objectName;
    }
    EXPECT_EQ(boxSpec(Box::NonDataValue).caption, "");
    EXPECT_EQ(boxSpec(Box::NonDataValue).hint, "");
    EXPECT_EQ(boxSpec(Box::NonDataValue).editHint,
              choiceSpec(Choice::IgnoreNonDataValue).hint);
    EXPECT_EQ(boxSpec(Box::MaxHeaderLines).editHint, "Enter 0 for no limit");
}

// The window's texts keep their own spelling and spacing.
TEST(ControlCatalog, TextsKeepTheirOwnSpelling)
{
    EXPECT_EQ(boxSpec(Box::MaxPreviewDimension).hint.rfind("Pixel imit on maximum dimension", 0),
              0u);
    EXPECT_TRUE(endsWith(boxSpec(Box::OriginSample).hint, "longitude "));
    EXPECT_NE(boxSpec(Box::BitsPerSample).hint.find("are  8, 16"), std::string::npos);
    EXPECT_NE(choiceSpec(Choice::BIP).hint.find("apropriate"), std::string::npos);
    EXPECT_EQ(choiceSpec(Choice::ReverseBytes).hint,
              "Reverse order of bytes (\"MSB\" rather than \"LSB\")");
}

TEST(ControlCatalog, OtherControlsByName)
{
    EXPECT_EQ(controlSpec("Abort_Button").caption, "Abort");
    EXPECT_EQ(controlSpec("DataType_GroupBox").hint, "Specify data type");
    EXPECT_EQ(controlSpec("ImageArea_GroupBox").hint, "");
    EXPECT_EQ(controlSpec("ProgressBar1").hint, "Shows progress of image conversion");
    EXPECT_EQ(controlSpec("RetrievePoint_Button").caption, "<-- Retrieve Point");
    for (const char* name : {"InputFile_Button", "InputFilename_Label", "BandStructure_GroupBox",
                             "ResetArea_Button", "Histogram_Button", "FileConversion_GroupBox",
                             "Preview_Button", "ConvertFile_Button", "Memo1",
                             "ReadHeader_Button", "Clear_Button"})
        EXPECT_EQ(controlSpec(name).objectName, name);
    EXPECT_THROW(controlSpec("NoSuch_Button"), std::out_of_range);
    EXPECT_THROW(controlSpec("HeaderBytes_LabeledNumericEdit"), std::out_of_range);
}

}  // namespace
}  // namespace skeldra
