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
// UTF-16LE with its byte-order mark, as the shell writes Desktop.ini.
std::string utf16_file(const std::string& ascii);
std::string ascii_from_utf16_file(const std::string& bytes);

// The selection as the shell hands it over: CF_HDROP with the given names.
class FakeDataObject final : public IDataObject {
public:
    explicit FakeDataObject(std::vector<std::string> names, bool fail_get_data = false);
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

// Waits on its own thread for a dialog box of this process with the caption,
// remembers the text of its static controls, and presses the button.
class DialogAnswerer {
public:
    DialogAnswerer(const char* caption, int button);
    ~DialogAnswerer();
    // True when the box came and was answered within the time.
    bool wait(DWORD timeout_ms);
    std::string text() const { return m_text; }

    void run();
    std::string m_caption;
    int m_button;
    std::string m_text;
    HANDLE m_thread = nullptr;
    volatile LONG m_answered = 0;
    volatile LONG m_stop = 0;
};
