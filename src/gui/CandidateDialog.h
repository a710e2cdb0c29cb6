#pragma once
// Find Layout's list: one row per candidate layout, its picture beside its
// score, its layout in words and its evidence; OK or a double-click chooses
// the selected row, Cancel chooses none.
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

private:
    QListWidget* list_ = nullptr;
};
