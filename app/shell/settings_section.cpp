#include "shell/settings_section.h"
#include "shell/qt_text.h"

#include "kit/text_styles.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>

namespace sorvalind {

SettingsSection::SettingsSection(std::string_view title, QWidget* parent)
    : QGroupBox(parent), rows_(new QFormLayout(this)) {
    // Group box titles read "&" as a mnemonic; settings titles hold none.
    setTitle(toQString(title));
    rows_->setLabelAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    rows_->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    rows_->setRowWrapPolicy(QFormLayout::DontWrapRows);
    rows_->setHorizontalSpacing(16);
    rows_->setVerticalSpacing(10);
}

void SettingsSection::addRow(std::string_view label, QWidget* field) {
    auto* name = new QLabel(this);
    name->setTextFormat(Qt::PlainText);
    name->setText(toQString(label));
    name->setBuddy(field);
    rows_->addRow(name, field);
}

void SettingsSection::addWide(QWidget* widget) {
    rows_->addRow(widget);
}

QLabel* SettingsSection::addCaption(std::string_view text) {
    auto* caption = new QLabel(this);
    caption->setTextFormat(Qt::PlainText);
    caption->setWordWrap(true);
    caption->setText(toQString(text));
    applyTextStyle(caption, TextStyle::caption);
    applySecondaryStyle(caption);
    rows_->addRow(caption);
    return caption;
}

QComboBox* qualityPicker(QWidget* parent) {
    auto* picker = new QComboBox(parent);
    for (DownloadQuality quality : DownloadQuality::allCases())
        picker->addItem(
            QString::fromStdString(quality.label()),
            QString::fromUtf8(quality.rawValue().data(), static_cast<qsizetype>(quality.rawValue().size())));
    picker->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return picker;
}

void showQuality(QComboBox& picker, DownloadQuality quality) {
    const QSignalBlocker blocker(picker);
    const auto& cases = DownloadQuality::allCases();
    for (std::size_t i = 0; i < cases.size(); ++i)
        if (cases[i] == quality) picker.setCurrentIndex(static_cast<int>(i));
}

DownloadQuality qualityAt(int index) {
    const auto& cases = DownloadQuality::allCases();
    if (index < 0 || static_cast<std::size_t>(index) >= cases.size()) return DownloadQuality::original;
    return cases[static_cast<std::size_t>(index)];
}

} // namespace sorvalind
