#include "page_support.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

std::string read_file(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<no file>";
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

std::string read_ini(const std::string& ini, const char* section, const char* key)
{
    char value[MAX_PATH];
    GetPrivateProfileStringA(section, key, "<missing>", value, MAX_PATH, ini.c_str());
    return value;
}

std::wstring read_ini(const std::wstring& ini, const wchar_t* section, const wchar_t* key)
{
    WCHAR value[MAX_PATH];
    GetPrivateProfileStringW(section, key, L"<missing>", value, MAX_PATH, ini.c_str());
    return value;
}

std::string ascii_from_utf16_file(const std::string& bytes)
{
    if (bytes.compare(0, 2, "\xFF\xFE") != 0)
        return "<not UTF-16: " + bytes + ">";
    std::string ascii;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        ascii += bytes[i + 1] ? '?' : bytes[i];
    return ascii;
}

FakeDataObject::FakeDataObject(std::vector<std::string> names, bool fail_get_data)
    : m_names(std::move(names)), m_fail_get_data(fail_get_data)
{
}

FakeDataObject::FakeDataObject(std::wstring name) : m_wide_name(std::move(name)), m_fail_get_data(false)
{
}

STDMETHODIMP FakeDataObject::QueryInterface(REFIID riid, void** ppv)
{
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDataObject))
        return E_NOINTERFACE;
    *ppv = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) FakeDataObject::AddRef()
{
    return InterlockedIncrement(&m_cRef);
}

// Lives on the test's stack: the count is only watched, never acted on.
STDMETHODIMP_(ULONG) FakeDataObject::Release()
{
    return InterlockedDecrement(&m_cRef);
}

STDMETHODIMP FakeDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    if (m_fail_get_data || format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL))
        return DV_E_FORMATETC;
    std::string names;
    for (const std::string& name : m_names)
        names.append(name.c_str(), name.size() + 1);
    if (!m_wide_name.empty())
        names.append(reinterpret_cast<const char*>(m_wide_name.c_str()), (m_wide_name.size() + 1) * 2);
    names.append(m_wide_name.empty() ? 1 : 2, '\0');
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + names.size());
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = !m_wide_name.empty();
    std::memcpy(drop + 1, names.data(), names.size());
    GlobalUnlock(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

SavedRegistryValue::SavedRegistryValue(HKEY root, const char* key, const char* value)
    : m_root(root), m_key(key), m_value(value)
{
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    if (RegQueryValueExA(handle, value, nullptr, &m_type, nullptr, &size) == ERROR_SUCCESS) {
        m_data.resize(size);
        RegQueryValueExA(handle, value, nullptr, &m_type, m_data.data(), &size);
        m_existed = true;
    }
    RegCloseKey(handle);
}

SavedRegistryValue::~SavedRegistryValue()
{
    if (m_existed)
        set(m_type, m_data.data(), static_cast<DWORD>(m_data.size()));
    else
        remove();
}

void SavedRegistryValue::set(DWORD type, const void* data, DWORD size)
{
    HKEY handle;
    RegCreateKeyExA(m_root, m_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr);
    RegSetValueExA(handle, m_value.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(handle);
}

void SavedRegistryValue::set_text(const char* text)
{
    set(REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}

void SavedRegistryValue::remove()
{
    HKEY handle;
    if (RegOpenKeyExA(m_root, m_key.c_str(), 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(handle, m_value.c_str());
    RegCloseKey(handle);
}

std::string registry_text(HKEY root, const char* key, const char* value)
{
    char text[300] = "<missing>";
    DWORD size = sizeof text - 1;
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return "<no key>";
    if (RegQueryValueExA(handle, value, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size)
        == ERROR_SUCCESS)
        text[size] = '\0';
    RegCloseKey(handle);
    return text;
}

namespace {

struct DialogSearch {
    const char* caption;
    HWND ignore;
    HWND found;
};

// Asks for a caption only of visible dialogs: the main thread of the test
// may be waiting for us and cannot answer WM_GETTEXT for its other windows.
BOOL CALLBACK match_dialog(HWND window, LPARAM lparam)
{
    auto* search = reinterpret_cast<DialogSearch*>(lparam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != GetCurrentProcessId() || window == search->ignore || !IsWindowVisible(window))
        return TRUE;
    char name[64], caption[256];
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0)
        return TRUE;
    GetWindowTextA(window, caption, sizeof caption);
    if (search->caption && std::strcmp(caption, search->caption) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK collect_static_text(HWND child, LPARAM lparam)
{
    char name[64], text[512];
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0)
        *reinterpret_cast<std::string*>(lparam) += text;
    return TRUE;
}

DWORD WINAPI answer_thread(void* parameter)
{
    static_cast<DialogAnswerer*>(parameter)->run();
    return 0;
}

}

DialogAnswerer::DialogAnswerer(const char* caption, int button, HWND ignore)
    : m_caption(caption), m_ignore(ignore), m_button(button)
{
    m_thread = CreateThread(nullptr, 0, answer_thread, this, 0, nullptr);
}

DialogAnswerer::~DialogAnswerer()
{
    InterlockedExchange(&m_stop, 1);
    WaitForSingleObject(m_thread, 10000);
    CloseHandle(m_thread);
}

void DialogAnswerer::run()
{
    while (!m_stop) {
        DialogSearch search = {m_caption, m_ignore, nullptr};
        EnumWindows(match_dialog, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            char caption[256];
            GetWindowTextA(search.found, caption, sizeof caption);
            m_found_caption = caption;
            EnumChildWindows(search.found, collect_static_text, reinterpret_cast<LPARAM>(&m_text));
            PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(m_button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(search.found, m_button)));
            InterlockedExchange(&m_answered, 1);
            return;
        }
        Sleep(20);
    }
}

bool DialogAnswerer::wait(DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    while (!m_answered && GetTickCount() - start < timeout_ms)
        Sleep(20);
    return m_answered != 0;
}

BOOL CALLBACK PageCollector::add(HPROPSHEETPAGE page, LPARAM collector)
{
    auto* self = reinterpret_cast<PageCollector*>(collector);
    if (self->accept)
        self->pages.push_back(page);
    return self->accept;
}

namespace {

// Without a window manager, Wine waits two seconds for every top-level window
// it hides; a sheet that is never shown costs nothing. The pages work the same.
int CALLBACK keep_sheet_hidden(HWND, UINT message, LPARAM template_data)
{
    if (message != PSCB_PRECREATE)
        return 0;
    auto* words = reinterpret_cast<WORD*>(template_data);
    bool extended = words[1] == 0xFFFF;
    auto* style = reinterpret_cast<DWORD*>(extended ? words + 6 : words);
    *style &= ~DWORD(WS_VISIBLE);
    return 0;
}

}

Sheet::Sheet(const std::vector<HPROPSHEETPAGE>& pages)
{
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS | PSH_USECALLBACK;
    header.pfnCallback = keep_sheet_hidden;
    header.pszCaption = "Properties";
    header.nPages = static_cast<UINT>(pages.size());
    header.phpage = const_cast<HPROPSHEETPAGE*>(pages.data());
    m_sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
}

Sheet::~Sheet()
{
    destroy();
}

void Sheet::destroy()
{
    if (m_sheet)
        DestroyWindow(m_sheet);
    m_sheet = nullptr;
}

HWND Sheet::page() const
{
    return reinterpret_cast<HWND>(SendMessageA(m_sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

void Sheet::press(int button) const
{
    SendMessageA(m_sheet, PSM_PRESSBUTTON, button, 0);
}

bool Sheet::apply_enabled() const
{
    const int apply_button = 0x3021;
    return IsWindowEnabled(GetDlgItem(m_sheet, apply_button)) != FALSE;
}

bool Sheet::cancel_enabled() const
{
    return IsWindowEnabled(GetDlgItem(m_sheet, IDCANCEL)) != FALSE;
}

OfferedPage::OfferedPage(const FoldersLibrary& library, const std::string& folder)
    : OfferedPage(library, widen(folder))
{
}

OfferedPage::OfferedPage(const FoldersLibrary& library, const std::wstring& folder) : selection(folder)
{
    if (FAILED(library.create(IID_IShellPropSheetExt, &ext)))
        return;
    IShellExtInit* init = nullptr;
    ext->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init));
    init->Initialize(nullptr, &selection, nullptr);
    init->Release();
    add_pages_result = ext->AddPages(PageCollector::add, reinterpret_cast<LPARAM>(&collector));
}

OfferedPage::~OfferedPage()
{
    if (ext)
        ext->Release();
}

namespace {

std::vector<DWORD> draw_on_white(HIMAGELIST list, int index)
{
    const int size = 32;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, size, size};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ImageList_Draw(list, index, dc, 0, 0, ILD_NORMAL);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + size * size);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

}

std::vector<DWORD> image_pixels(HIMAGELIST list, int index)
{
    return draw_on_white(list, index);
}

std::vector<DWORD> icon_pixels(const std::string& file, int index)
{
    HIMAGELIST list = ImageList_Create(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                       ILC_MASK | ILC_COLOR16 | ILC_PALETTE, 1, 0);
    HICON icon = nullptr;
    if (index >= 0)
        icon = ExtractIconA(nullptr, file.c_str(), static_cast<UINT>(index));
    else if (HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(-index), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), 0));
        FreeLibrary(module);
    }
    std::vector<DWORD> pixels;
    if (reinterpret_cast<UINT_PTR>(icon) > 1) {
        ImageList_AddIcon(list, icon);
        DestroyIcon(icon);
        pixels = draw_on_white(list, 0);
    }
    ImageList_Destroy(list);
    return pixels;
}
