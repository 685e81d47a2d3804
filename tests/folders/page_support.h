#pragma once
// Scratch folders, a stand-in for the shell's selection, saved registry
// values and a hand for the page's modal boxes: what the page tests share.
#include <windows.h>
#include <objidl.h>

#include "library.h"
#include "scratch.h"

#include <string>
#include <vector>

std::string read_file(const std::string& path);
// The text of an INI value, or "<missing>".
std::string read_ini(const std::string& ini, const char* section, const char* key);
std::wstring read_ini(const std::wstring& ini, const wchar_t* section, const wchar_t* key);
// UTF-16LE with its byte-order mark, as the shell writes Desktop.ini.
std::string ascii_from_utf16_file(const std::string& bytes);

// The selection as the shell hands it over: CF_HDROP with the given names.
class FakeDataObject final : public IDataObject {
public:
    explicit FakeDataObject(std::vector<std::string> names, bool fail_get_data = false);
    // Wide names, as the shell of an NT-based Windows hands them over.
    explicit FakeDataObject(std::wstring name);
    LONG references() const { return m_cRef; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    LONG m_cRef = 1;
    std::vector<std::string> m_names;
    std::wstring m_wide_name;
    bool m_fail_get_data;
};

// Remembers a registry value (or its absence) and puts it back at the end.
class SavedRegistryValue {
public:
    SavedRegistryValue(HKEY root, const char* key, const char* value);
    ~SavedRegistryValue();
    void set(DWORD type, const void* data, DWORD size);
    void set_text(const char* text);
    void remove();

private:
    HKEY m_root;
    std::string m_key, m_value;
    bool m_existed = false;
    DWORD m_type = 0;
    std::vector<BYTE> m_data;
};

std::string registry_text(HKEY root, const char* key, const char* value);

// Waits on its own thread for a dialog box of this process with the caption
// (any caption when null) other than IGNORE, remembers its caption and the
// text of its static controls, and presses the button.
class DialogAnswerer {
public:
    DialogAnswerer(const char* caption, int button, HWND ignore = nullptr);
    ~DialogAnswerer();
    // True when the box came and was answered within the time.
    bool wait(DWORD timeout_ms);
    std::string text() const { return m_text; }
    std::string caption() const { return m_found_caption; }

    void run();
    const char* m_caption;
    HWND m_ignore;
    std::string m_found_caption;
    int m_button;
    std::string m_text;
    HANDLE m_thread = nullptr;
    volatile LONG m_answered = 0;
    volatile LONG m_stop = 0;
};

#include <commctrl.h>
#include <shlobj.h>

// The pages an extension offers, kept (or refused) as a sheet would.
struct PageCollector {
    std::vector<HPROPSHEETPAGE> pages;
    BOOL accept = TRUE;
    static BOOL CALLBACK add(HPROPSHEETPAGE page, LPARAM collector);
};

// A modeless sheet of the collected pages, as a shell would show it; it
// destroys the sheet (and so the pages) when it goes.
class Sheet {
public:
    explicit Sheet(const std::vector<HPROPSHEETPAGE>& pages);
    ~Sheet();
    HWND window() const { return m_sheet; }
    HWND page() const;
    HWND control(int id) const { return GetDlgItem(page(), id); }
    // Presses a sheet button (PSBTN_OK, PSBTN_APPLYNOW...).
    void press(int button) const;
    bool apply_enabled() const;
    bool cancel_enabled() const;
    void destroy();

private:
    HWND m_sheet = nullptr;
};

// The selection of one folder, handed to a fresh extension of the real
// library; the pages it added are in the collector.
struct OfferedPage {
    OfferedPage(const FoldersLibrary& library, const std::string& folder);
    OfferedPage(const FoldersLibrary& library, const std::wstring& folder);
    ~OfferedPage();
    FakeDataObject selection;
    IShellPropSheetExt* ext = nullptr;
    HRESULT add_pages_result = E_UNEXPECTED;
    PageCollector collector;
};

// Pixels of an image as a 32 x 32 picture on white, to compare icons.
std::vector<DWORD> image_pixels(HIMAGELIST list, int index);
// The same for the icon at FILE and INDEX, through an image list like the
// page's; a negative INDEX names the icon resource of that identifier.
std::vector<DWORD> icon_pixels(const std::string& file, int index);
