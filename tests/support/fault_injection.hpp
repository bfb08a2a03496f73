#pragma once
// Ways to break a running install from the outside: hold a tool at its start
// with a gate rule, find and kill the tools a program started, take tools
// away between two steps, and give a folder a small file system of its own
// that can be filled until Windows reports a full disk.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

using namespace std::chrono_literals;

// A file whose absence holds a stand-in that met a `gate` rule naming it.
class Gate {
  public:
    explicit Gate(std::string path) : path_(std::move(path)) {}
    const std::string& path() const { return path_; }
    // The rules line that holds `tool` when its subject contains `pattern`.
    std::string rule(std::string_view tool, std::string_view pattern) const;
    // True once a stand-in waits at the gate.
    bool wait_until_held(std::chrono::milliseconds timeout = 120s) const;
    void open() const;

  private:
    std::string path_;
};

// Processes of this executable file name (e.g. "curl.exe", any case) whose
// parent is `parent`.
std::vector<DWORD> child_processes(DWORD parent, std::string_view file_name);

// Ends the process with `exit_code` and waits for its end; false when it
// could not be opened or ended.
bool terminate_process(DWORD process_id, UINT exit_code);

// Waits for the end of every process in the list (already gone counts).
void wait_for_processes(const std::vector<DWORD>& process_ids,
                        std::chrono::milliseconds timeout = 20s);

// Renames <folder>\<name> to <name>.away and back. A running executable can
// be renamed though not deleted, so a tool may be taken away while it runs.
void take_away(std::string_view folder, const std::vector<std::string>& names);
void put_back(std::string_view folder, const std::vector<std::string>& names);

// The Linux path of a path on Wine's Z: drive; nullopt for any other path.
std::optional<std::string> unix_path(std::string_view windows_path);

// Runs a POSIX shell script outside Wine and returns its exit status, or
// nullopt when no status came back in time (Wine does not pass on the exit
// codes of Linux programs, so the script writes its own).
std::optional<int> run_shell(std::string_view script, std::string_view status_file,
                             std::chrono::milliseconds timeout = 20s);

// Small tmpfs file systems mounted over folders for the life of the object.
// Mounting needs root, as on the CI machines; `mounted()` says whether it
// worked, and `failure()` why not.
class SmallDisks {
  public:
    SmallDisks(std::vector<std::string> folders, std::uint64_t bytes, std::string scratch);
    SmallDisks(const SmallDisks&) = delete;
    SmallDisks& operator=(const SmallDisks&) = delete;
    ~SmallDisks();

    bool mounted() const { return failure_.empty(); }
    const std::string& failure() const { return failure_; }

    // Unmounts whatever an interrupted earlier run left mounted below `folder`.
    static void release_leftovers(std::string_view folder, std::string_view scratch);

  private:
    std::vector<std::string> folders_;
    std::string scratch_;
    std::string failure_;
};

// Writes <folder>\filler.bin until the file system refuses more; returns the
// error that stopped it (ERROR_DISK_FULL on a full disk).
DWORD fill_disk(std::string_view folder);
void free_disk(std::string_view folder);

// Total size of the file system holding `folder`, as Windows reports it.
std::optional<std::uint64_t> disk_size(std::string_view folder);

} // namespace velmora::test
