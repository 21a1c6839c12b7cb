#include "mainwindow/reader_settings.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QtDebug>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace qm {

namespace {

constexpr const char* kBookScripts = "reader/bookScripts";
constexpr const char* kConversionScale = "convert/scale";
constexpr const char* kRecentBooks = "recent/books";
constexpr const char* kPlaces = "places";
constexpr const char* kWindowGeometry = "window/geometry";
constexpr const char* kWindowMaximised = "window/maximised";
constexpr const char* kWindowTocWidth = "window/tocWidth";
constexpr const char* kLookPublisher = "look/publisherStyles";
constexpr const char* kLookTheme = "look/theme";
constexpr const char* kLookFont = "look/font";
constexpr const char* kLookFamily = "look/family";
constexpr const char* kLookFontSize = "look/fontSize";
constexpr const char* kLookLineSpacing = "look/lineSpacing";
constexpr const char* kLookMargin = "look/margin";
constexpr const char* kLookMaxWidth = "look/maxWidth";
// A font family's name is a line of text; a longer one is not a family.
constexpr qsizetype kLongestFamily = 200;

// A book's group among the places: the hash of its path, since a path may hold any character.
QString PlaceKey(const std::string& book) {
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(book), QCryptographicHash::Sha1);
    return QString(kPlaces) + "/" + QString::fromLatin1(hash.toHex());
}

// Far more than the file ever holds (a hundred places and ten books are a few dozen kilobytes).
constexpr qint64 kMostSettingsBytes = 1 << 20;

// True when `path` holds what a settings file of ours can hold: UTF-8 text of sections, keys with values and
// comments, of a sensible size. Anything else (another program's file, a note the user wrote there, Latin-1
// text, random bytes) would be read by guesswork and written back without what could not be read.
bool LooksLikeOurSettings(const QString& path) {
    QFile file(path);
    if (!file.exists()) {
        return true;
    }
    if (file.size() > kMostSettingsBytes || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError() || bytes.contains('\0')) {
        return false;
    }
    for (const QStringView line : QStringView(text).split(u'\n')) {
        const QStringView trimmed = line.trimmed();
        const bool fits = trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#') ||
                          (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) || trimmed.contains(u'=');
        if (!fits) {
            return false;
        }
    }
    return true;
}

// A switch that reads "true" or "false" and nothing else: a damaged value must not turn a book's scripts on.
std::optional<bool> StrictBool(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    const QString text = value.toString().trimmed().toLower();
    if (text == "true") {
        return true;
    }
    if (text == "false") {
        return false;
    }
    return std::nullopt;
}

std::optional<double> NumberIn(const QVariant& value, double least, double most) {
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok && number >= least && number <= most ? std::optional<double>(number) : std::nullopt;
}

std::optional<int> IntIn(const QVariant& value, int least, int most) {
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok && number >= least && number <= most ? std::optional<int>(number) : std::nullopt;
}

} // namespace

QString ReaderSettings::DefaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Quillmark/quillmark.conf";
}

ReaderSettings::ReaderSettings(const QString& path) {
    const QFileInfo file(path);
    if (file.exists() && (!file.isFile() || !file.isReadable())) {
        qWarning().noquote() << "Quillmark: the settings file" << path
                             << "cannot be read; it is ignored, and nothing is remembered this time";
        return;
    }
    if (!LooksLikeOurSettings(path)) {
        qWarning().noquote() << "Quillmark: the settings file" << path
                             << "is damaged or not one of Quillmark's; it is ignored and left as it is, and nothing is "
                                "remembered this time";
        return;
    }
    settings_ = std::make_unique<QSettings>(path, QSettings::IniFormat);
    if (settings_->status() != QSettings::NoError) {
        qWarning().noquote() << "Quillmark: the settings file" << path
                             << "is damaged; it is ignored and left as it is, and nothing is remembered this time";
        settings_.reset();
    }
}

ReaderSettings::~ReaderSettings() = default;

bool ReaderSettings::BookScripts() const {
    return Usable() && StrictBool(settings_->value(kBookScripts, false)).value_or(false);
}

double ReaderSettings::ConversionScale() const {
    if (!Usable()) {
        return 1.0;
    }
    bool ok = false;
    const double scale = settings_->value(kConversionScale, 1.0).toDouble(&ok);
    return ok && scale >= 1 && scale <= 4 ? scale : 1.0;
}

ReadingLook ReaderSettings::Look() const {
    ReadingLook look;
    if (!Usable()) {
        return look;
    }
    look.publisherStyles = StrictBool(settings_->value(kLookPublisher, false)).value_or(false);
    look.theme = LookThemeNamed(settings_->value(kLookTheme).toString().toStdString()).value_or(look.theme);
    const QString family = settings_->value(kLookFamily).toString();
    if (const std::optional<LookFont> font = LookFontNamed(settings_->value(kLookFont).toString().toStdString());
        font && (*font != LookFont::Family || (!family.trimmed().isEmpty() && family.size() <= kLongestFamily))) {
        look.font = *font;
        look.family = *font == LookFont::Family ? family.toStdString() : std::string();
    }
    look.fontSize = IntIn(settings_->value(kLookFontSize), ReadingLook::kLeastFontSize, ReadingLook::kMostFontSize)
                        .value_or(look.fontSize);
    if (const QVariant spacing = settings_->value(kLookLineSpacing); spacing.toString() == "0") {
        look.lineSpacing = 0;
    } else {
        look.lineSpacing =
            NumberIn(spacing, ReadingLook::kLeastLineSpacing, ReadingLook::kMostLineSpacing).value_or(look.lineSpacing);
    }
    look.margin = NumberIn(settings_->value(kLookMargin), 0, ReadingLook::kMostMargin).value_or(look.margin);
    if (const QVariant width = settings_->value(kLookMaxWidth); width.toString() == "0") {
        look.maxWidth = 0;
    } else {
        look.maxWidth =
            NumberIn(width, ReadingLook::kLeastMaxWidth, ReadingLook::kMostMaxWidth).value_or(look.maxWidth);
    }
    return look;
}

void ReaderSettings::SetLook(const ReadingLook& look) {
    if (!Usable()) {
        return;
    }
    settings_->setValue(kLookPublisher, look.publisherStyles);
    settings_->setValue(kLookTheme, NameOf(look.theme));
    settings_->setValue(kLookFont, NameOf(look.font));
    settings_->setValue(kLookFamily, QString::fromStdString(look.family));
    settings_->setValue(kLookFontSize, look.fontSize);
    settings_->setValue(kLookLineSpacing, look.lineSpacing);
    settings_->setValue(kLookMargin, look.margin);
    settings_->setValue(kLookMaxWidth, look.maxWidth);
}

std::optional<ReadingPlace> ReaderSettings::Place(const std::string& book) const {
    if (!Usable()) {
        return std::nullopt;
    }
    const QString key = PlaceKey(book);
    if (settings_->value(key + "/path").toString() != QString::fromStdString(book)) {
        return std::nullopt;
    }
    const std::optional<int> row = IntIn(settings_->value(key + "/row"), 1, std::numeric_limits<std::int32_t>::max());
    const std::optional<int> zoom = IntIn(settings_->value(key + "/zoom"), kLeastZoomSteps, kMostZoomSteps);
    bool scrollOk = false;
    const double scroll = settings_->value(key + "/scroll").toDouble(&scrollOk);
    if (!row || !zoom || !scrollOk || !std::isfinite(scroll) || scroll < 0 || scroll > 1) {
        return std::nullopt;
    }
    return ReadingPlace{*row, scroll, *zoom, settings_->value(key + "/title").toString()};
}

void ReaderSettings::SetPlace(const std::string& book, const ReadingPlace& place) {
    if (!Usable()) {
        return;
    }
    const QString key = PlaceKey(book);
    settings_->setValue(key + "/path", QString::fromStdString(book));
    settings_->setValue(key + "/row", place.row);
    settings_->setValue(key + "/scroll", std::clamp(place.scroll, 0.0, 1.0));
    settings_->setValue(key + "/zoom", std::clamp(place.zoomSteps, kLeastZoomSteps, kMostZoomSteps));
    settings_->setValue(key + "/title", place.title);
    settings_->setValue(key + "/used", QDateTime::currentMSecsSinceEpoch());

    settings_->beginGroup(kPlaces);
    const QStringList books = settings_->childGroups();
    if (books.size() > kMostPlaces) {
        std::vector<std::pair<qint64, QString>> byUse;
        for (const QString& other : books) {
            byUse.emplace_back(settings_->value(other + "/used").toLongLong(), other);
        }
        std::sort(byUse.begin(), byUse.end());
        for (std::size_t i = 0; i < byUse.size() - kMostPlaces; ++i) {
            settings_->remove(byUse[i].second);
        }
    }
    settings_->endGroup();
}

QStringList ReaderSettings::RecentBooks() const {
    if (!Usable()) {
        return {};
    }
    QStringList books;
    for (const QString& book : settings_->value(kRecentBooks).toStringList()) {
        if (!book.isEmpty() && !books.contains(book) && books.size() < kMostRecentBooks) {
            books.append(book);
        }
    }
    return books;
}

void ReaderSettings::AddRecentBook(const std::string& book) {
    if (!Usable()) {
        return;
    }
    QStringList books = RecentBooks();
    books.removeAll(QString::fromStdString(book));
    books.prepend(QString::fromStdString(book));
    settings_->setValue(kRecentBooks, books.mid(0, kMostRecentBooks));
}

WindowPlacement ReaderSettings::Window() const {
    WindowPlacement placement;
    if (!Usable()) {
        return placement;
    }
    if (const QRect geometry = settings_->value(kWindowGeometry).toRect(); geometry.isValid()) {
        placement.normalGeometry = geometry;
    }
    placement.maximised = StrictBool(settings_->value(kWindowMaximised, false)).value_or(false);
    placement.tocWidth = IntIn(settings_->value(kWindowTocWidth), 1, 1 << 16);
    return placement;
}

void ReaderSettings::SetWindow(const WindowPlacement& placement) {
    if (!Usable()) {
        return;
    }
    if (placement.normalGeometry) {
        settings_->setValue(kWindowGeometry, *placement.normalGeometry);
    }
    settings_->setValue(kWindowMaximised, placement.maximised);
    if (placement.tocWidth) {
        settings_->setValue(kWindowTocWidth, *placement.tocWidth);
    }
}

void ReaderSettings::Sync() {
    if (Usable()) {
        settings_->sync();
    }
}

} // namespace qm
