// SettingsGroup.h - CSettingsGroup, the main dialog's configuration group on the core's
// settings view (core/SettingsView.h): a file's path (typed, or picked with Browse...), Load,
// which loads it into the configuration table off the GUI thread while a marquee bar moves,
// the table as a report list (names kept from earlier files greyed, with a tip that says so),
// a value edited in place (double-click, F2 or Enter on a row; Enter saves it to the file,
// Esc cancels, a refused value shows its reason on the message line), and a look for the
// configuration thread's reloads every 250 ms once a file is loaded.
//
// Threads and messages: the view's worker (a load, a snapshot) posts kDeliver to the group's
// window; the GUI thread then applies the result. The list is owner-data: it asks the view
// for a cell's text when it draws it, so 60,000 names cost the GUI thread nothing but the
// rows it shows. The in-place editor posts kEndEdit to end its edit outside its own messages.
//
// Thread-safety: GUI thread only (the worker only posts). Ownership: the main dialog owns
// the group; the group owns its view, which waits for its worker when the group goes. The
// table (the process-wide one by default) outlives the group.
#pragma once

#include "GroupControls.h"
#include "GroupPane.h"
#include "core/SettingsView.h"

#include <memory>
#include <string>

class CConfigFileThread;

class CSettingsGroup : public CGroupPane, private Tamberon::ISettingsViewSink {
  public:
    /// A group over the process-wide configuration table.
    CSettingsGroup();
    /// A group over table, which must outlive it.
    explicit CSettingsGroup(CConfigFileThread& table);
    ~CSettingsGroup() override;

    /// Loads the file in the path field (made absolute); false (with a message saying why)
    /// when it cannot be read or a load runs. The end shows on the message line.
    bool Load();
    /// Opens the in-place editor on row nRow's value; false when there is no such row.
    bool BeginEdit(int nRow);
    /// The in-place editor while it is open; else null.
    HWND Editor() const { return hEditor; }

    /// The view under the group (null before the window exists).
    const Tamberon::CSettingsView* View() const { return view.get(); }
    const Tamberon::Win32::CMessageLine& Message() const { return message; }
    /// True while a load or a snapshot runs.
    bool IsBusy() const { return view != nullptr && view->IsBusy(); }

    /// The file chooser's filter, for GetOpenFileName (pairs of texts, each ending in a NUL).
    static std::string FileFilter();

  protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) override;

  private:
    static constexpr UINT kDeliver = kPostedBase;      // a job's result is waiting
    static constexpr UINT kEndEdit = kPostedBase + 1;  // wParam: save; lParam: editor serial
    static constexpr UINT_PTR kPollTimer = 1;

    void OnBusyChanged(bool bBusy) override;
    void OnRowsChanged(std::size_t nFirst, std::size_t nLast) override;
    void OnRowsAdding(std::size_t nFirst, std::size_t nLast) override;
    void OnRowsAdded() override;
    void OnLoadEnded(bool bLoaded, const std::string& szPath) override;
    void OnReloaded() override;

    INT_PTR OnNotify(const NMHDR* pHeader);
    void Browse();
    void EndEdit(bool bSave);
    int SelectedRow() const;
    static LRESULT CALLBACK EditorProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR nSubclassId, DWORD_PTR pGroup);

    CConfigFileThread& table;
    std::unique_ptr<Tamberon::CSettingsView> view;
    Tamberon::Win32::CMessageLine message;
    HWND hList = nullptr;
    HWND hEditor = nullptr;
    int nEditRow = -1;
    LPARAM nEditorSerial = 0;
    bool bPolling = false;
};
