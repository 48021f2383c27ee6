// BareDialog.cpp - the floors for the utility's start and exit benchmark: a bare Qt program
// that shows one empty QDialog, titled "BareDialog", runs it modally and exits when it closes.
// With --text the dialog holds one line of text (and is titled "BareDialogText"): the floor
// for any dialog that draws text, which pays for loading the system's fonts.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

#include <cstring>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QDialog dialog;
    bool bText = argc > 1 && std::strcmp(argv[1], "--text") == 0;
    dialog.setWindowTitle(bText ? QStringLiteral("BareDialogText") : QStringLiteral("BareDialog"));
    if (bText) {
        auto* pLayout = new QVBoxLayout(&dialog);
        pLayout->addWidget(new QLabel(QStringLiteral("A dialog with one line of text."), &dialog));
    }
    dialog.exec();
    return 0;
}
