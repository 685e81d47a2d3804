#pragma once
// Scratch folders for the tests: made under the temporary directory, removed
// again with everything in them.
#include <windows.h>

#include <string>

class ScratchFolder {
public:
    // Under the temporary directory, or under PARENT when given.
    explicit ScratchFolder(const char* name = "folders-test", const std::string& parent = "");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::wstring wide_path() const;
    std::string record_path() const { return path_ + "\\Desktop.ini"; }
    // Writes the whole Desktop.ini with the given text.
    void write_record(const std::string& text) const;
    // A subfolder (created) and its path.
    std::string make_subfolder(const std::string& name) const;
    void write_file(const std::string& name, const std::string& text) const;
    // How many files in the folder match the pattern ("~*").
    int files_named(const char* pattern) const;

private:
    std::string path_;
};

// A share of another machine, "\\Server\Share", for as long as it lives:
// under Wine a folder of the prefix's dosdevices\unc, where Wine finds UNC
// paths. Its path is empty where no such folder can be made.
class ScratchShare {
public:
    ScratchShare();
    ~ScratchShare();
    ScratchShare(const ScratchShare&) = delete;
    ScratchShare& operator=(const ScratchShare&) = delete;

    const std::string& path() const { return path_; }
    // The server's name, in lower case.
    const std::string& server() const { return server_; }
    // Where the share's folder is on the Unix side.
    const std::string& unix_path() const { return unix_path_; }

private:
    std::string server_;
    std::string folder_;
    std::string path_;
    std::string unix_path_;
};

// A symbolic link made from outside Windows, as one on a USB stick or a disk
// image shows up under Wine: a folder with the reparse-point attribute
// whose target Wine cannot read. Gone again with the object; made() is false
// where no link can be made.
class UnixLink {
public:
    UnixLink(const std::string& link, const std::string& unix_target);
    ~UnixLink();
    UnixLink(const UnixLink&) = delete;
    UnixLink& operator=(const UnixLink&) = delete;

    bool made() const { return made_; }

private:
    std::string link_;
    std::string unix_link_;
    bool made_ = false;
};

std::wstring widen(const std::string& text);
// The text in the system code page, for names it spells.
std::string narrow(const std::wstring& text);

// A record that names the class, with the given lines of the icon section.
std::string customized_record(const std::string& icon_lines);
// ASCII text as a UTF-16 file, little-endian after its mark, as the shell
// writes Desktop.ini.
std::string utf16_file(const std::string& ascii);
