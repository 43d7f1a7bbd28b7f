#pragma once

#include <QApplication>

// The application object. An exception that leaves any handler ends here: its message is shown
// in the standard error message box and the station goes on running.
class StationApplication : public QApplication
{
    Q_OBJECT
public:
    StationApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // How the error box is shown; tests replace it to see what would have been shown.
    static void SetErrorPresenter(void (*presenter)(const QString& message));
    static void ShowException(const QString& message);

    // The main screen's caption, also the title of the station's own message boxes.
    static QString Caption();
};
