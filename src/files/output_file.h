#pragma once

#include "files/unique_fd.h"

#include <string>

namespace qm {

// Whether a finished file may take the place of one that has its name: a conversion replaces a file only when
// the user said so; otherwise the name must still be free when the file is put in place, so that of two runs
// writing one new name only one succeeds, and a file that appeared meanwhile is kept.
enum class Replacing { Allowed, Refused };

// A file that is written aside and takes its name only when complete, so that a failed, cancelled or killed
// write leaves whatever had that name before untouched and no partial file behind. Where the file system
// allows, the file has no name at all until it is committed (O_TMPFILE), so even a kill leaves nothing;
// elsewhere it is a hidden file beside the target that the destructor removes.
//
// A name that leads through a symbolic link replaces the file the link leads to, and the link stays. A name
// that is a device or a FIFO is written directly: there is nothing to replace it with.
class OutputFile {
public:
    // Throws std::runtime_error `Cannot create file "<absolute path>". <reason>` when the file cannot be made.
    explicit OutputFile(const std::string& path, Replacing replacing = Replacing::Allowed);
    // Discards the file unless it was committed.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    int Fd() const { return fd_.Get(); }
    const std::string& Path() const { return path_; }

    // Closes the file and puts it in place of the name given, replacing what was there when that is allowed.
    // Throws std::runtime_error naming the file and the system's reason when that fails (a deferred write error
    // reported on closing included, or "File exists" when the name was taken and may not be replaced); the
    // file is then discarded.
    void Commit();

private:
    void Discard();
    // Gives the unnamed file the name `name`; false with errno set (EEXIST when the name is taken).
    bool LinkUnnamed(const std::string& name) const;
    // Closes a file that has its final name already; on a write error reported now the file goes.
    void Close();

    std::string path_;   // as given, for messages
    std::string target_; // the name the file takes
    std::string aside_;  // the hidden name while written, when the file system has no unnamed files
    UniqueFd fd_;
    Replacing replacing_;
    bool direct_ = false;
    bool committed_ = false;
};

// Puts the finished file `from` under the name `to`: renamed within a file system, copied through an
// OutputFile across two. Throws std::runtime_error naming `to` and the reason ("File exists" when the name is
// taken and `replacing` refuses it); `from` stays then.
void MoveIntoPlace(const std::string& from, const std::string& to, Replacing replacing);

} // namespace qm
