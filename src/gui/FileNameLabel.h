// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The input file name label: shows a path shortened to the label's width in
// its own font, and shortens it again whenever the label is resized.
#include <QLabel>
#include <string>

class FileNameLabel : public QLabel {
    Q_OBJECT
public:
    explicit FileNameLabel(QWidget* parent = nullptr);

    void setPath(const std::string& path);
    const std::string& path() const { return path_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showShortened();

    std::string path_;
};
