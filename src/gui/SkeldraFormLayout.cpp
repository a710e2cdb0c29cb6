// SPDX-License-Identifier: BSD-3-Clause
// The controls of the main window and their arrangement: groups and rows
// from top to bottom, the log taking whatever room the window has to spare.
#include <QButtonGroup>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

#include "gui/FileNameLabel.h"
#include "gui/LabeledNumericEdit.h"
#include "gui/SkeldraForm.h"
#include "ui/ControlCatalog.h"

using skeldra::Box;
using skeldra::Choice;
using skeldra::ChoiceGroup;

namespace {

const char* const layoutFromLabelCaption = "Layout from Label";
const char* const layoutFromLabelHint =
    "Set the layout boxes from the PDS3, VICAR, PDS4, ENVI, ISIS3 or FITS label of the input file";

// Edit widths are given for an 11-pixel font; wider fonts get wider fields.
constexpr double designFontPixels = 11.0;

QString qs(const std::string& text) { return QString::fromStdString(text); }

void showBoldRed(QLabel& label)
{
    QFont font = label.font();
    font.setBold(true);
    label.setFont(font);
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    label.setPalette(palette);
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets, bool stretchAtEnd = true)
{
    auto* layout = new QHBoxLayout;
    layout->setSpacing(8);
    for (QWidget* widget : widgets) layout->addWidget(widget);
    if (stretchAtEnd) layout->addStretch(1);
    return layout;
}

// Group boxes sit tight around their rows so that the band group's two
// heights hold its one or three rows.
template <typename Layout>
Layout* tightLayout(QGroupBox* group)
{
    auto* layout = new Layout(group);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(3);
    return layout;
}

}  // namespace

TLabeledNumericEdit* TSkeldra_Form::makeBox(Box which)
{
    const skeldra::BoxSpec& described = skeldra::boxSpec(which);
    auto* box = new TLabeledNumericEdit([this](const std::string& text) { showMessage(text); }, this);
    box->setObjectName(qs(described.objectName));
    box->setCaption(qs(described.caption));
    box->setUnits(QString());
    TNumericEdit* edit = box->NumericEdit;
    edit->setInputType(described.inputType);
    if (!described.inputMin.empty()) edit->setInputMin(described.inputMin);
    if (!described.inputMax.empty()) edit->setInputMax(described.inputMax);
    edit->setText(qs(described.defaultText));
    const double scale = std::max(1.0, QFontInfo(edit->font()).pixelSize() / designFontPixels);
    edit->setFixedWidth(static_cast<int>(std::lround(described.editWidth * scale)));
    box->setToolTip(qs(described.hint));
    box->Item_Label->setToolTip(qs(described.captionHint));
    edit->setToolTip(qs(described.editHint));
    if (described.boldRedCaption) showBoldRed(*box->Item_Label);
    boxes_[static_cast<size_t>(which)] = box;
    return box;
}

QAbstractButton* TSkeldra_Form::makeChoice(Choice which)
{
    const skeldra::ChoiceSpec& described = skeldra::choiceSpec(which);
    QAbstractButton* button = described.group == ChoiceGroup::None
                                  ? static_cast<QAbstractButton*>(new QCheckBox(this))
                                  : static_cast<QAbstractButton*>(new QRadioButton(this));
    button->setObjectName(qs(described.objectName));
    button->setText(qs(described.caption));
    button->setToolTip(qs(described.hint));
    // Exclusivity comes from the button groups alone: at creation all
    // buttons share one parent and would uncheck each other.
    button->setAutoExclusive(false);
    choices_[static_cast<size_t>(which)] = button;
    return button;
}

QPushButton* TSkeldra_Form::makeButton(const std::string& objectName)
{
    const skeldra::ControlSpec& described = skeldra::controlSpec(objectName);
    auto* button = new QPushButton(qs(described.caption), this);
    button->setObjectName(qs(objectName));
    button->setToolTip(qs(described.hint));
    return button;
}

QGroupBox* TSkeldra_Form::makeGroup(const std::string& objectName)
{
    const skeldra::ControlSpec& described = skeldra::controlSpec(objectName);
    auto* group = new QGroupBox(qs(described.caption), this);
    group->setObjectName(qs(objectName));
    group->setToolTip(qs(described.hint));
    return group;
}

void TSkeldra_Form::createControls()
{
    for (int i = 0; i < skeldra::boxCount; ++i) makeBox(static_cast<Box>(i));
    for (int i = 0; i < skeldra::choiceCount; ++i) makeChoice(static_cast<Choice>(i));
    for (ChoiceGroup group : {ChoiceGroup::DataFormat, ChoiceGroup::BandStructure, ChoiceGroup::OutputKind}) {
        auto* exclusive = new QButtonGroup(this);
        for (int i = 0; i < skeldra::choiceCount; ++i)
            if (skeldra::choiceSpec(static_cast<Choice>(i)).group == group) exclusive->addButton(choices_[i]);
    }
    for (int i = 0; i < skeldra::choiceCount; ++i)
        choices_[i]->setChecked(skeldra::choiceSpec(static_cast<Choice>(i)).checkedByDefault);

    InputFile_Button = makeButton("InputFile_Button");
    InputFilename_Label = new FileNameLabel(this);
    InputFilename_Label->setObjectName(QStringLiteral("InputFilename_Label"));
    InputFilename_Label->setToolTip(qs(skeldra::controlSpec("InputFilename_Label").hint));
    RetrievePoint_Button = makeButton("RetrievePoint_Button");
    DataType_GroupBox = makeGroup("DataType_GroupBox");
    BandStructure_GroupBox = makeGroup("BandStructure_GroupBox");
    ImageArea_GroupBox = makeGroup("ImageArea_GroupBox");
    ResetArea_Button = makeButton("ResetArea_Button");
    Histogram_Button = makeButton("Histogram_Button");
    FileConversion_GroupBox = makeGroup("FileConversion_GroupBox");
    Preview_Button = makeButton("Preview_Button");
    LivePreview_CheckBox = new QCheckBox(qs(skeldra::controlSpec("LivePreview_CheckBox").caption), this);
    LivePreview_CheckBox->setObjectName(QStringLiteral("LivePreview_CheckBox"));
    LivePreview_CheckBox->setToolTip(qs(skeldra::controlSpec("LivePreview_CheckBox").hint));
    ConvertFile_Button = makeButton("ConvertFile_Button");

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setToolTip(qs(skeldra::controlSpec("ProgressBar1").hint));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    Abort_Button = makeButton("Abort_Button");
    // The row keeps its room while the bar and the button come and go, so
    // the log does not jump at the start and end of every long operation.
    for (QWidget* widget : {static_cast<QWidget*>(ProgressBar1), static_cast<QWidget*>(Abort_Button)}) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
    }

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setTabChangesFocus(true);
    // A listing of every point of a large area would otherwise keep growing
    // (and its undo history with it): the log keeps its latest lines.
    Memo1->setMaximumBlockCount(logLineLimit);
    Memo1->setUndoRedoEnabled(false);
    // Labels read in columns: the "=" of a PDS label line up.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(font().pointSize());
    // Control bytes show as their pictures (U+2400 on), which the fixed
    // fonts lack; Symbola draws each as its boxed abbreviation (NUL, HT, ESC).
    // The family the system's fixed font resolves to comes first: an alias
    // such as "monospace" would not be resolved in a list.
    fixed.setFamilies({QFontInfo(fixed).family(), QStringLiteral("Symbola")});
    Memo1->setFont(fixed);

    ReadHeader_Button = makeButton("ReadHeader_Button");
    LayoutFromLabel_Button = new QPushButton(QString::fromLatin1(layoutFromLabelCaption), this);
    LayoutFromLabel_Button->setObjectName(QStringLiteral("LayoutFromLabel_Button"));
    LayoutFromLabel_Button->setToolTip(QString::fromLatin1(layoutFromLabelHint));
    FindLayout_Button = makeButton("FindLayout_Button");
    ExplainFile_Button = makeButton("ExplainFile_Button");
    SaveLayout_Button = makeButton("SaveLayout_Button");
    Clear_Button = makeButton("Clear_Button");
}

// The tile boxes matter only for tiled files: their captions stay muted
// while both hold 0, and read as the others' once either holds a tile size.
void TSkeldra_Form::muteTileBoxesWhenUnused()
{
    const auto update = [this] {
        const bool used = boxText(Box::TileSamples) != "0" || boxText(Box::TileLines) != "0";
        for (Box which : {Box::TileSamples, Box::TileLines}) {
            QLabel* label = box(which)->Item_Label;
            QPalette palette = this->palette();
            if (!used) palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
            label->setPalette(palette);
        }
    };
    for (Box which : {Box::TileSamples, Box::TileLines})
        connect(box(which)->NumericEdit, &QLineEdit::textChanged, this, update);
    update();
}

void TSkeldra_Form::connectControls()
{
    const auto onClick = [this](QPushButton* button, void (TSkeldra_Form::*slot)()) {
        connect(button, &QPushButton::clicked, this, slot);
    };
    onClick(InputFile_Button, &TSkeldra_Form::InputFile_ButtonClick);
    onClick(RetrievePoint_Button, &TSkeldra_Form::RetrievePoint_ButtonClick);
    onClick(ResetArea_Button, &TSkeldra_Form::ResetArea_ButtonClick);
    onClick(Histogram_Button, &TSkeldra_Form::Histogram_ButtonClick);
    onClick(Preview_Button, &TSkeldra_Form::Preview_ButtonClick);
    onClick(ConvertFile_Button, &TSkeldra_Form::ConvertFile_ButtonClick);
    onClick(Abort_Button, &TSkeldra_Form::Abort_ButtonClick);
    onClick(ReadHeader_Button, &TSkeldra_Form::ReadHeader_ButtonClick);
    onClick(LayoutFromLabel_Button, &TSkeldra_Form::LayoutFromLabel_ButtonClick);
    onClick(FindLayout_Button, &TSkeldra_Form::FindLayout_ButtonClick);
    onClick(ExplainFile_Button, &TSkeldra_Form::ExplainFile_ButtonClick);
    onClick(SaveLayout_Button, &TSkeldra_Form::SaveLayout_ButtonClick);
    onClick(Clear_Button, &TSkeldra_Form::Clear_ButtonClick);

    // A band-structure handler runs whenever its button becomes checked, by
    // the user or by an operation (Layout from Label), so that the band group
    // always shows the boxes of the structure checked.
    const auto onChosen = [this](Choice choice, void (TSkeldra_Form::*slot)()) {
        connect(choiceButton(choice), &QAbstractButton::toggled, this, [this, slot](bool checked) {
            if (checked) (this->*slot)();
        });
    };
    onChosen(Choice::NoBands, &TSkeldra_Form::NoBands_RadioButtonClick);
    onChosen(Choice::BIL, &TSkeldra_Form::BIL_RadioButtonClick);
    onChosen(Choice::BIP, &TSkeldra_Form::BIP_RadioButtonClick);
    onChosen(Choice::BSQ, &TSkeldra_Form::BSQ_RadioButtonClick);
    muteTileBoxesWhenUnused();
}

void TSkeldra_Form::arrangeControls()
{
    const auto b = [this](Box which) -> QWidget* { return box(which); };
    const auto c = [this](Choice which) -> QWidget* { return choiceButton(which); };

    auto* dataFormat = tightLayout<QVBoxLayout>(DataType_GroupBox);
    for (Choice choice : {Choice::UnsignedInteger, Choice::SignedInteger, Choice::Real, Choice::ReverseBytes})
        dataFormat->addWidget(c(choice));
    dataFormat->addStretch(1);

    auto* bands = tightLayout<QGridLayout>(BandStructure_GroupBox);
    bands->setHorizontalSpacing(8);
    bands->addLayout(row({c(Choice::NoBands), c(Choice::BIL), c(Choice::BIP), c(Choice::BSQ)}), 0, 0, 1, 3);
    bands->addWidget(b(Box::NumBands), 1, 0);
    bands->addWidget(b(Box::BandNum), 1, 1);
    // "Lines" and "Band pad" share a place; at most one of them is shown.
    bands->addWidget(b(Box::NumSingleImageLines), 2, 0);
    bands->addWidget(b(Box::NumBandPadBytes), 2, 0);
    bands->addWidget(b(Box::NumRowPadBytes), 2, 1);
    bands->addWidget(b(Box::NumBandGapBytes), 2, 2);
    // The shared place is as wide as the wider of the two at all times: a
    // change of structure shows boxes before it hides others, and a group
    // wider for that moment would widen the window for good.
    bands->setColumnMinimumWidth(0, std::max(b(Box::NumSingleImageLines)->sizeHint().width(),
                                             b(Box::NumBandPadBytes)->sizeHint().width()));
    bands->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* point = new QVBoxLayout;
    point->setSpacing(4);
    point->addLayout(row({b(Box::HeaderBytes), b(Box::BitsPerSample)}));
    point->addLayout(row({b(Box::NumSamples)}));
    point->addLayout(row({b(Box::TileSamples), b(Box::TileLines)}));
    point->addLayout(row({b(Box::Line), b(Box::Sample), RetrievePoint_Button}));
    point->addStretch(1);
    auto* layoutRow = new QHBoxLayout;
    layoutRow->addLayout(point);
    layoutRow->addWidget(DataType_GroupBox, 0, Qt::AlignTop);
    layoutRow->addWidget(BandStructure_GroupBox, 1, Qt::AlignTop);

    auto* area = tightLayout<QGridLayout>(ImageArea_GroupBox);
    area->setHorizontalSpacing(10);
    area->addWidget(ResetArea_Button, 0, 0);
    area->addWidget(b(Box::StartLine), 0, 1);
    area->addWidget(b(Box::EndLine), 0, 2);
    area->addWidget(Histogram_Button, 0, 3);
    area->addWidget(b(Box::StartSample), 1, 1);
    area->addWidget(b(Box::EndSample), 1, 2);
    area->addWidget(c(Choice::ListPoints), 1, 3);
    area->addLayout(row({c(Choice::IgnoreNonDataValue), b(Box::NonDataValue), b(Box::ClipPercent)}), 2, 0, 1, 4);
    area->addLayout(row({b(Box::MinData), b(Box::MaxData)}), 3, 0, 1, 4);
    area->setColumnStretch(4, 1);
    for (QPushButton* button : {ResetArea_Button, Histogram_Button})
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    auto* conversion = tightLayout<QGridLayout>(FileConversion_GroupBox);
    conversion->setHorizontalSpacing(10);
    conversion->addWidget(b(Box::OriginSample), 0, 0);
    conversion->addWidget(Preview_Button, 0, 1);
    // Auto and Live one above the other, so that the window keeps its width.
    auto* previewChecks = new QVBoxLayout;
    previewChecks->setSpacing(0);
    previewChecks->addWidget(c(Choice::AutoStretchPreview));
    previewChecks->addWidget(LivePreview_CheckBox);
    conversion->addLayout(previewChecks, 0, 2);
    conversion->addWidget(b(Box::Gamma), 1, 0);
    conversion->addWidget(b(Box::MaxPreviewDimension), 1, 1, 1, 2);
    conversion->addWidget(ConvertFile_Button, 2, 0);
    conversion->addLayout(row({c(Choice::BMPOutput), c(Choice::TextOutput)}), 2, 1, 1, 2);
    conversion->addLayout(row({c(Choice::PNGOutput), c(Choice::PNG16Output), c(Choice::TIFFOutput)}), 3, 0, 1, 3);
    // The colour composite's bands under RGB, in two rows: one would widen the window.
    conversion->addWidget(c(Choice::RGB), 4, 0);
    conversion->addWidget(b(Box::RedBand), 4, 1, 1, 2);
    conversion->addWidget(b(Box::GreenBand), 5, 0);
    conversion->addWidget(b(Box::BlueBand), 5, 1, 1, 2);
    conversion->setRowStretch(6, 1);
    conversion->setColumnStretch(3, 1);

    auto* areaRow = new QHBoxLayout;
    areaRow->addWidget(ImageArea_GroupBox, 1);
    areaRow->addWidget(FileConversion_GroupBox, 0);

    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(ProgressBar1, 1);
    progressRow->addWidget(Abort_Button);

    // Explain File sits beside Save Layout, which also works from the layout
    // in the boxes; the bottom row keeps the width it had before Find Layout.
    auto* bottomRow =
        row({ReadHeader_Button, LayoutFromLabel_Button, FindLayout_Button, b(Box::MaxHeaderLineLength),
             b(Box::MaxHeaderLines)});
    bottomRow->addWidget(Clear_Button);

    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(8, 8, 8, 8);
    window->setSpacing(6);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(InputFile_Button);
    fileRow->addWidget(InputFilename_Label, 1);
    fileRow->addWidget(ExplainFile_Button);
    fileRow->addWidget(SaveLayout_Button);
    window->addLayout(fileRow);
    window->addLayout(layoutRow);
    window->addLayout(areaRow);
    window->addLayout(progressRow);
    window->addWidget(Memo1, 1);
    window->addLayout(bottomRow);
}

void TSkeldra_Form::setKeyboardOrder()
{
    const auto b = [this](Box which) -> QWidget* { return box(which)->NumericEdit; };
    const auto c = [this](Choice which) -> QWidget* { return choiceButton(which); };
    const QWidget* order[] = {
        InputFile_Button, b(Box::HeaderBytes), b(Box::NumSamples), b(Box::BitsPerSample),
        c(Choice::UnsignedInteger), c(Choice::SignedInteger), c(Choice::Real), c(Choice::ReverseBytes),
        c(Choice::NoBands), c(Choice::BIL), c(Choice::BIP), c(Choice::BSQ), b(Box::NumBands),
        b(Box::BandNum), b(Box::NumSingleImageLines), b(Box::NumBandPadBytes), b(Box::NumRowPadBytes),
        b(Box::NumBandGapBytes), b(Box::TileSamples), b(Box::TileLines), b(Box::Line), b(Box::Sample),
        RetrievePoint_Button,
        ResetArea_Button, b(Box::StartLine), b(Box::StartSample), b(Box::EndLine), b(Box::EndSample),
        Histogram_Button, c(Choice::ListPoints), c(Choice::IgnoreNonDataValue), b(Box::NonDataValue),
        b(Box::ClipPercent), b(Box::MinData), b(Box::MaxData), b(Box::OriginSample), b(Box::Gamma), Preview_Button,
        c(Choice::AutoStretchPreview), LivePreview_CheckBox, b(Box::MaxPreviewDimension), ConvertFile_Button,
        c(Choice::BMPOutput), c(Choice::TextOutput), c(Choice::PNGOutput), c(Choice::PNG16Output),
        c(Choice::TIFFOutput), c(Choice::RGB), b(Box::RedBand), b(Box::GreenBand), b(Box::BlueBand), Abort_Button, Memo1, ReadHeader_Button, LayoutFromLabel_Button, FindLayout_Button,
        ExplainFile_Button, SaveLayout_Button, b(Box::MaxHeaderLineLength), b(Box::MaxHeaderLines), Clear_Button,
    };
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
}
