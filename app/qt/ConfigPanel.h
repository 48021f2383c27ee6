// ConfigPanel.h - CConfigPanel, the main dialog's configuration group: "Load..." picks a file
// and loads it into the process-wide table off the GUI thread (a busy bar moves meanwhile);
// the table of settings follows the reloads of the configuration thread (polled every 250 ms
// once a file is loaded), shows when the last one was seen, and marks the names the file
// defines; a value edited in place is saved to the file.
//
// Thread-safety: GUI thread only. Ownership: belongs to its Qt parent.
#pragma once

#include <QGroupBox>

class CMessageLine;
class CSettingsModel;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;

class CConfigPanel : public QGroupBox {
    Q_OBJECT

  public:
    explicit CConfigPanel(QWidget* pParent);

    /// Starts loading szPath into the process-wide table; false (with a message saying why)
    /// when it cannot be read or a load runs. FileLoaded or a message tells the end.
    bool Load(const QString& szPath);

    /// True while a load (or a copy of the table after a reload) runs.
    bool IsLoading() const;

    /// The file loaded last (empty before the first successful Load).
    const QString& LoadedFile() const { return szFile; }

    CSettingsModel* Model() const { return pModel; }
    QTableView* Table() const { return pTable; }
    CMessageLine* ReloadLabel() const { return pReload; }
    QProgressBar* BusyBar() const { return pBusy; }
    CMessageLine* Message() const { return pMessage; }

  signals:
    /// A file was loaded by Load (the dialog remembers it).
    void FileLoaded(const QString& szPath);

  private:
    void ChooseFile();
    void ShowReload();
    void OnLoadEnded(bool bLoaded, const QString& szPath);

    CSettingsModel* pModel;
    CMessageLine* pFileLabel;
    QProgressBar* pBusy;
    CMessageLine* pReload;
    QPushButton* pLoad;
    QTableView* pTable;
    CMessageLine* pMessage;
    QTimer* pPoll;
    QString szFile;
};
