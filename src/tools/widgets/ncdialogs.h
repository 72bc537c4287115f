#pragma once
// The NC functions' dialogs on the desktop.
#include "tools/ncquestions.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QDoubleSpinBox;
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

// "座標変換": what kind, its values, the scope. The values a kind does not
// use are disabled.
class TransformDialog : public QDialog {
    Q_OBJECT
public:
    TransformDialog(const TransformQuestion &initial, QWidget *parent);
    TransformQuestion answer() const;

private:
    void kindChosen();

    ScopeChoice scope_;
    QButtonGroup *kind_ = nullptr;
    QDoubleSpinBox *dx_ = nullptr, *dy_ = nullptr, *dz_ = nullptr;
    QDoubleSpinBox *factor_ = nullptr, *degrees_ = nullptr;
    QDoubleSpinBox *cx_ = nullptr, *cy_ = nullptr, *cz_ = nullptr;
    bool lathe_ = false;
};

class RateDialog : public QDialog {
    Q_OBJECT
public:
    RateDialog(const RateQuestion &initial, QWidget *parent);
    RateQuestion answer() const;

private:
    ScopeChoice scope_;
    QDoubleSpinBox *feed_ = nullptr, *spindle_ = nullptr;
};

class NcDialogs : public NcQuestions {
public:
    explicit NcDialogs(QWidget *parent) : parent_(parent) {}
    std::optional<RenumberQuestion> renumber(const RenumberQuestion &initial) override;
    std::optional<TransformQuestion> transform(const TransformQuestion &initial) override;
    std::optional<RateQuestion> rates(const RateQuestion &initial) override;
    void statistics(const QString &report) override;
    std::optional<QString> confirmRestart(const RestartQuestion &question) override;

private:
    QWidget *parent_;
};

}  // namespace marbolt
