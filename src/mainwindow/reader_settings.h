#pragma once

#include "view/reading_look.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QSettings;

namespace qm {

// Where the reader left a book.
struct ReadingPlace {
    // The table's row (1 or more).
    std::int32_t row = 1;
    // The top of the view as a fraction of the page's height, 0 to 1: a page laid out at another width or zoom
    // still opens near the same words.
    double scroll = 0;
    // The zoom as steps of 0.2 from 1.0, so that it is restored on the zoom's own ladder of values.
    int zoomSteps = 0;
    // The book's title as the window showed it, for the list of recent books.
    QString title;
};

// The window's size and place when it was normal, its state, and the left panel's width; what was not kept, or
// makes no sense, is missing.
struct WindowPlacement {
    std::optional<QRect> normalGeometry;
    bool maximised = false;
    std::optional<int> tocWidth;
};

// What the reader keeps from one run to the next, in one INI file: whether books may run their scripts, the
// reader's look of the pages, where
// each book was left (for the most recent hundred books), up to ten recent books, and the window's placement.
// Every value read is checked; one that does not make sense is left out as if it had never been written. A
// file that cannot be read, that is damaged, or that is not what Quillmark writes (UTF-8 text of sections, keys
// and comments, at most 1 MiB) is ignored with a warning: nothing is read from it and nothing written to it, so
// the reader's file is never lost to a guess.
class ReaderSettings {
public:
    static constexpr int kMostRecentBooks = 10;
    static constexpr int kMostPlaces = 100;
    // The zoom ladder's ends, in steps from 1.0 (0.2 and 3.0).
    static constexpr int kLeastZoomSteps = -4;
    static constexpr int kMostZoomSteps = 10;

    // The desktop's usual place: Quillmark/quillmark.conf in the user's configuration folder ($XDG_CONFIG_HOME,
    // else ~/.config), read again at each call.
    static QString DefaultPath();

    // Reads the file at `path`; a missing file is an empty one.
    explicit ReaderSettings(const QString& path = DefaultPath());
    ~ReaderSettings();
    ReaderSettings(const ReaderSettings&) = delete;
    ReaderSettings& operator=(const ReaderSettings&) = delete;

    // False when the file was ignored.
    bool Usable() const { return settings_ != nullptr; }

    // "reader/bookScripts": a book's own scripts run in its pages (false unless set).
    bool BookScripts() const;

    // "convert/scale": pixels of a converted page picture to a CSS pixel, 1 to 4 (1 unless set): pages drawn
    // that many times sharper, whatever the screen's own scale.
    double ConversionScale() const;

    // "look/...": the reader's own look of the pages (theme, font, family, fontSize, lineSpacing, margin,
    // maxWidth, publisherStyles); a value that is missing or makes no sense keeps the default.
    ReadingLook Look() const;
    void SetLook(const ReadingLook& look);

    // Where `book` (a path) was left; nothing when it never was, or what was kept makes no sense.
    std::optional<ReadingPlace> Place(const std::string& book) const;
    // Keeps where `book` was left. Beyond kMostPlaces books, the one left longest ago is forgotten.
    void SetPlace(const std::string& book, const ReadingPlace& place);

    // The books opened last, the latest first, at most kMostRecentBooks; the first is the last book.
    QStringList RecentBooks() const;
    // Puts `book` first among the recent books.
    void AddRecentBook(const std::string& book);

    WindowPlacement Window() const;
    void SetWindow(const WindowPlacement& placement);

    // Writes what was set to the file now (it is written at destruction too).
    void Sync();

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace qm
