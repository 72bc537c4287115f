#pragma once
// The NC functions' dialogs on the desktop.
#include "tools/ncquestions.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QSpinBox;

namespace marbolt {

// The scope of a function as three choices; "選択範囲" only with a selection.
class ScopeChoice {
public:
    QWidget *build(QWidget *parent, NcScope scope, bool hasSelection);
    NcScope scope() const;

private:
    QButtonGroup *group_ = nullptr;
};

class RenumberDialog : public QDialog {
    Q_OBJECT
public:
    RenumberDialog(const RenumberQuestion &initial, QWidget *parent);
    RenumberQuestion answer() const;

private:
    ScopeChoice scope_;
    QSpinBox *start_ = nullptr;
    QSpinBox *step_ = nullptr;
    QSpinBox *digits_ = nullptr;
    QCheckBox *onlyNumbered_ = nullptr;
    QCheckBox *lathe_ = nullptr;
};

class NcDialogs : public NcQuestions {
public:
    explicit NcDialogs(QWidget *parent) : parent_(parent) {}
    std::optional<RenumberQuestion> renumber(const RenumberQuestion &initial) override;

private:
    QWidget *parent_;
};

}  // namespace marbolt
