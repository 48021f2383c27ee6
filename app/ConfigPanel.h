// ConfigPanel.h - CConfigPanel, the main dialog's configuration group: "Load..." picks a file
// and loads it into the process-wide table (ConfigLoad); the table of settings follows the
// reloads of the configuration thread (polled every 250 ms) and shows when the last one was
// seen; a value can be edited in place.
//
// Thread-safety: GUI thread only. Ownership: belongs to its Qt parent.
#pragma once

#include <QGroupBox>

class CMessageLine;
class CSettingsModel;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

class CConfigPanel : public QGroupBox {
    Q_OBJECT

  public:
    explicit CConfigPanel(QWidget* pParent);

    /// Loads szPath into the process-wide table; false (with a message saying why) when it
    /// cannot be read.
    bool Load(const QString& szPath);

    /// The file loaded last (empty before the first successful Load).
    const QString& LoadedFile() const { return szFile; }

    CSettingsModel* Model() const { return pModel; }
    QTableView* Table() const { return pTable; }
    QLabel* ReloadLabel() const { return pReload; }
    CMessageLine* Message() const { return pMessage; }

  signals:
    /// A file was loaded by Load (the dialog remembers it).
    void FileLoaded(const QString& szPath);

  private:
    void ChooseFile();
    void ShowReload();

    CSettingsModel* pModel;
    QLabel* pFileLabel;
    QLabel* pReload;
    QPushButton* pLoad;
    QTableView* pTable;
    CMessageLine* pMessage;
    QTimer* pPoll;
    QString szFile;
};
