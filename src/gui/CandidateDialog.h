// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Find Layout's list: one row per candidate layout, its picture beside its
// score, its layout in words and its evidence; OK or a double-click on the
// text chooses the selected row, Cancel chooses none. A double-click on a
// picture shows it larger.
#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "port/CandidateView.h"

class QListWidget;

class CandidateDialog : public QDialog {
    Q_OBJECT
public:
    CandidateDialog(const std::string& verdict, const std::vector<skeldra::CandidateView>& candidates,
                    QWidget* parent = nullptr);

    QListWidget* list() const { return list_; }
    // The row chosen, after exec(); empty when the dialog was cancelled.
    std::optional<size_t> chosen() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The row whose picture is at `position` of the list's viewport, if any.
    std::optional<size_t> pictureAt(const QPoint& position) const;
    void showLarger(size_t row);

    QListWidget* list_ = nullptr;
    std::vector<skeldra::CandidateView> candidates_;
};
