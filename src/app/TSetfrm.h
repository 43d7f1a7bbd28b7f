#pragma once

#include <QDialog>

class QComboBox;

// The port settings dialog: the serial ports that can be opened right now, rebuilt every time
// the dialog is shown, and OK / Cancel.
class TSetfrm : public QDialog
{
    Q_OBJECT
public:
    TSetfrm();

    QComboBox* ComboBox1 = nullptr;

    // Rebuilds the port list; runs on every show. Ports left out for a reason the operator
    // can act on are named on standard error with that reason.
    void FormShow(QObject* sender);

    // The port the chosen entry names (COM3 → 3), 0 when no entry is chosen: an empty list,
    // nothing picked, or text typed into the field.
    int SelectedPort() const;
    QString EntryText() const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The field holds text the operator typed, not an entry picked from the list: the combo
    // box itself would select an entry whose text the typing happens to match.
    bool typed_ = false;
};
