#pragma once
// The index box ComboBox2: the drop-down list of the document's O-lines.
// The user cannot type into it; Enter hands the focus to the editor.
#include <QComboBox>
#include <QStringListModel>

#include <string_view>

namespace marbolt {

class IndexBox : public QComboBox {
    Q_OBJECT
public:
    explicit IndexBox(QWidget *parent = nullptr);

    // Rebuilds the list from the editor text in one model reset.
    void rebuild(std::string_view text);
    // The same from entries a ProgramLineCollector gathered during an open.
    void setEntries(const QStringList &entries);
    // Adds one entry, at its sorted place when sorting is on.
    void addEntry(const QString &entry);
    void removeEntryAt(int row);
    void clearAll();

    void setSorted(bool sorted);
    bool isSorted() const { return sorted_; }

    QStringList entries() const { return model_->stringList(); }
    QString firstEntry() const;
    QString boxText() const { return currentText(); }
    void setBoxText(const QString &text);

signals:
    // Enter was pressed in the box.
    void enterPressed();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool takeKey(QKeyEvent *key);
    static bool leaveToWindow(QEvent *event);
    QStringListModel *model_;  // owned by the box: QComboBox uses it until it is gone
    bool sorted_ = true;
};

}  // namespace marbolt
