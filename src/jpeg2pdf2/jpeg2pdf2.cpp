#include "jpeg2pdf2/jpeg2pdf2.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "jpeg2pdf2/file_handle.h"
#include "jpeg2pdf2/pdf_document.h"
#include "jpeg2pdf2/pdf_sink.h"

namespace qm {

namespace {

void Pump(const PumpMessagesFn& pumpMessages) {
    if (pumpMessages) {
        pumpMessages();
    }
}

void Report(const TPDFProgress& progress, const std::string& text, std::int32_t total, std::int32_t done) {
    if (progress) {
        progress(text, total, done);
    }
}

void FinishBuild(const TPDFProgress& progress) {
    Report(progress, "Finished!", 0, 0);
}

// Size of the named file cut to its low 32 bits; 0 when it is not a regular file that can be opened.
std::uint32_t FileSizeOf(const std::string& fileName) {
    std::uint64_t size = 0;
    return OpenRegularFile(fileName, size).valid() ? static_cast<std::uint32_t>(size) : 0;
}

// Sum of the sizes for the progress total; it wraps at 32 bits like the sizes it adds.
std::int32_t TotalFileSize(const std::vector<std::string>& files, const PumpMessagesFn& pumpMessages) {
    std::uint32_t total = 0;
    for (const std::string& file : files) {
        total += FileSizeOf(file);
        Pump(pumpMessages);
    }
    return static_cast<std::int32_t>(total);
}

// True when `outFile` already exists and is one of the page files (the same path, a hard link or a symbolic
// link): creating the output would empty that page before it is read.
bool IsOneOfThePages(const std::string& outFile, const std::vector<std::string>& pages) {
    struct stat output {};
    if (::stat(outFile.c_str(), &output) != 0) {
        return false;
    }
    for (const std::string& page : pages) {
        struct stat info {};
        if (::stat(page.c_str(), &info) == 0 && info.st_dev == output.st_dev && info.st_ino == output.st_ino) {
            return true;
        }
    }
    return false;
}

// The output file as created; its identity lets an abandoned build delete that file and nothing else.
struct CreatedOutput {
    FileHandle file;
    struct stat identity {};
};

CreatedOutput CreateOutputFile(const std::string& outFile) {
    // Opened without blocking, so that a FIFO with no reader at the output's name fails instead of hanging;
    // writes then block as usual.
    CreatedOutput output{
        FileHandle(::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666))};
    int flags = -1;
    if (!output.file.valid() || ::fstat(output.file.get(), &output.identity) != 0 ||
        (flags = ::fcntl(output.file.get(), F_GETFL)) < 0 ||
        ::fcntl(output.file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = errno;
        std::error_code ec;
        const std::filesystem::path expanded = std::filesystem::absolute(outFile, ec);
        const std::string shown = ec ? outFile : expanded.lexically_normal().string();
        throw std::runtime_error("Cannot create file \"" + shown + "\". " + std::strerror(error));
    }
    return output;
}

// Deletes the output of an abandoned build: only when it is a regular file and the name still leads to the
// file this call created, so that a device or FIFO named as output, or a file that a callback put in its
// place meanwhile, stays.
void DeleteOutput(const std::string& outFile, const struct stat& created) {
    struct stat now {};
    if (S_ISREG(created.st_mode) && ::stat(outFile.c_str(), &now) == 0 && now.st_dev == created.st_dev &&
        now.st_ino == created.st_ino) {
        ::unlink(outFile.c_str());
    }
}

// Writes the document into the freshly created output and closes it; false when anything failed on the way
// (the disk, a page file, a callback), the output then being left for the caller to delete.
bool WriteAndClose(FileHandle& output, const std::string& outFile, const std::vector<std::string>& pages,
                   const std::vector<TInfosJPG>& infos, std::int32_t totalBytes, const TPDFProgress& progress,
                   const PumpMessagesFn& pumpMessages) {
    try {
        FileSink sink(output.get(), outFile);
        WritePdfDocument(sink, pages, infos, totalBytes, progress, pumpMessages);
        sink.Flush();
    } catch (...) {
        return false;
    }
    return output.Close();
}

} // namespace

std::int32_t JpegsToPDF(const std::vector<std::string>& pages, const std::string& outFile, const TPDFProgress& progress,
                        const PumpMessagesFn& pumpMessages) {
    if (outFile.empty() || pages.empty()) {
        return pdfNoFiles;
    }
    Report(progress, "converting..", 0, 0);

    // The callbacks may change the caller's list while this call runs; only this copy is read.
    const std::vector<std::string> workingList = pages;
    const std::int32_t totalBytes = TotalFileSize(workingList, pumpMessages);

    std::vector<TInfosJPG> infos;
    infos.reserve(workingList.size());
    for (const std::string& entry : workingList) {
        // An empty entry or a path naming no file is refused by the probe like a file that is not a JPEG.
        TInfosJPG info;
        if (!GetInfosJPG(entry, info.W, info.H, info.CMYK)) {
            FinishBuild(progress);
            return pdfNoFiles;
        }
        infos.push_back(info);
        Pump(pumpMessages);
    }
    if (IsOneOfThePages(outFile, workingList)) {
        FinishBuild(progress);
        return pdfNoFiles;
    }

    CreatedOutput output = CreateOutputFile(outFile);
    if (!WriteAndClose(output.file, outFile, workingList, infos, totalBytes, progress, pumpMessages)) {
        output.file.Close();
        DeleteOutput(outFile, output.identity);
        FinishBuild(progress);
        return pdfAborted;
    }
    FinishBuild(progress);
    return pdfDone;
}

} // namespace qm
