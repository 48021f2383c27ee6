// BareDialog.cpp - the floor for the utility's start and exit benchmark: a bare Qt program that
// shows one empty QDialog, titled "BareDialog", runs it modally and exits when it closes.
#include <QApplication>
#include <QDialog>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("BareDialog"));
    dialog.exec();
    return 0;
}
