#pragma once
// The pieces the settings page is built of: a titled section with its rows,
// captions in the caption style, and quality pickers that offer every
// download quality by its label. GUI thread only.

#include "library/download_quality.h"

#include <QGroupBox>

#include <string_view>

class QComboBox;
class QFormLayout;
class QLabel;

namespace sorvalind {

class SettingsSection : public QGroupBox {
    Q_OBJECT

public:
    SettingsSection(std::string_view title, QWidget* parent);

    QFormLayout* rows() const noexcept { return rows_; }
    // A labelled row.
    void addRow(std::string_view label, QWidget* field);
    // A row across the section's width.
    void addWide(QWidget* widget);
    // A caption across the section's width.
    QLabel* addCaption(std::string_view text);

private:
    QFormLayout* rows_;
};

// Every quality in picker order, each shown by its label.
QComboBox* qualityPicker(QWidget* parent);
void showQuality(QComboBox& picker, DownloadQuality quality);
DownloadQuality qualityAt(int index);

} // namespace sorvalind
