#include "jpeg2pdf2/jpeg2pdf2.h"

#include <sys/stat.h>

#include <stdexcept>

#include "files/output_file.h"
#include "files/regular_file.h"
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
    return OpenRegularFile(fileName, size).Valid() ? static_cast<std::uint32_t>(size) : 0;
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
// link): replacing it would take away a page the caller still counts on.
bool IsOneOfThePages(const std::string& outFile, const std::vector<std::string>& pages) {
    for (const std::string& page : pages) {
        if (SameFile(outFile, page)) {
            return true;
        }
    }
    return false;
}

// Writes the document into the output and puts it in place. On failure (the disk, a page file, a callback)
// the output is discarded, whatever had its name before stays, and the cause is returned.
std::string WriteDocument(OutputFile& output, const std::vector<std::string>& pages,
                          const std::vector<TInfosJPG>& infos, std::int32_t totalBytes, const TPDFProgress& progress,
                          const PumpMessagesFn& pumpMessages, double pixelsPerPoint) {
    try {
        FileSink sink(output.Fd(), output.Path());
        WritePdfDocument(sink, pages, infos, totalBytes, progress, pumpMessages, pixelsPerPoint);
        sink.Flush();
        output.Commit();
        return {};
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "The build was abandoned";
    }
}

} // namespace

std::int32_t JpegsToPDF(const std::vector<std::string>& pages, const std::string& outFile, const TPDFProgress& progress,
                        const PumpMessagesFn& pumpMessages, std::string* abortCause, Replacing replacing,
                        double pixelsPerPoint) {
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

    OutputFile output(outFile, replacing);
    const std::string cause =
        WriteDocument(output, workingList, infos, totalBytes, progress, pumpMessages, pixelsPerPoint);
    FinishBuild(progress);
    if (!cause.empty()) {
        if (abortCause != nullptr) {
            *abortCause = cause;
        }
        return pdfAborted;
    }
    return pdfDone;
}

} // namespace qm
