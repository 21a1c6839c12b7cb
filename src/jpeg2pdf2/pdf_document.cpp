#include "jpeg2pdf2/pdf_document.h"

#include <charconv>
#include <stdexcept>
#include <string_view>

#include "files/regular_file.h"

namespace qm {

namespace {

// What follows the last byte of an image's data before the next object starts.
constexpr std::string_view kImageEnd = "endstream\r\nendobj\r\n";

std::string Decimal(std::uint64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return {digits, result.ptr};
}

std::string Decimal(std::int32_t value) {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return {digits, result.ptr};
}

// A page's length in points: its pixels divided by `pixelsPerPoint`, whole as the pixels are at one pixel to a
// point, else to two decimals (locale-free).
std::string Points(std::int32_t pixels, double pixelsPerPoint) {
    if (pixelsPerPoint == 1.0) {
        return Decimal(pixels);
    }
    char digits[32];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, pixels / pixelsPerPoint, std::chars_format::fixed, 2);
    return {digits, result.ptr};
}

// Writes the document's objects and keeps the offsets table: entry k - 1 is where object k starts, the last
// entry where the "xref" line starts.
class DocumentWriter {
public:
    DocumentWriter(PdfSink& sink, const PumpMessagesFn& pumpMessages, std::uint64_t objectCount)
        : sink_(sink), pumpMessages_(pumpMessages), offsets_(objectCount + 1) {}

    void Text(std::string_view text) { sink_.Write(text); }
    void Number(std::uint64_t value) { sink_.Write(Decimal(value)); }
    void Number(std::int32_t value) { sink_.Write(Decimal(value)); }

    void BeginObject(std::uint64_t number) {
        offsets_[number - 1] = Position();
        Number(number);
        Text(" 0 obj\r\n");
    }

    // Offset of the next byte, refused once it no longer fits the ten digits of a cross-reference entry.
    std::uint64_t Position() const {
        const std::uint64_t position = sink_.Count();
        if (position >= kPdfOffsetLimit) {
            throw std::runtime_error("The document reaches byte " + Decimal(position) +
                                     ", beyond what a ten-digit cross-reference offset can hold");
        }
        return position;
    }

    void Pump() const {
        if (pumpMessages_) {
            pumpMessages_();
        }
    }

    void CrossReference() {
        const std::uint64_t objectCount = offsets_.size() - 1;
        offsets_.back() = Position();
        Text("xref\r\n0 ");
        Number(objectCount + 1);
        Text("\r\n0000000000 65535 f\r\n");
        for (std::uint64_t k = 0; k < objectCount; ++k) {
            const std::string digits = Decimal(offsets_[k]);
            Text(std::string(10 - digits.size(), '0') + digits + " 00000 n\r\n");
            Pump();
        }
    }

    std::uint64_t CrossReferenceOffset() const { return offsets_.back(); }

private:
    PdfSink& sink_;
    const PumpMessagesFn& pumpMessages_;
    std::vector<std::uint64_t> offsets_;
};

} // namespace

void WritePdfDocument(PdfSink& sink, const std::vector<std::string>& pages, const std::vector<TInfosJPG>& infos,
                      std::int32_t totalBytes, const TPDFProgress& progress, const PumpMessagesFn& pumpMessages,
                      double pixelsPerPoint) {
    const std::uint64_t n = pages.size();
    DocumentWriter out(sink, pumpMessages, 3 * n + 2);

    out.Text("%PDF-1.2\r\n");

    out.BeginObject(1);
    out.Text("<<\r\n/Type /Catalog\r\n/Pages 2 0 R\r\n/OpenAction [3 0 R /XYZ -32768 -32768 1 ]\r\n>>\r\nendobj\r\n");

    out.BeginObject(2);
    out.Text("<<\r\n/Type /Pages\r\n/Kids [ ");
    for (std::uint64_t i = 0; i < n; ++i) {
        out.Number(3 + i);
        out.Text(" 0 R ");
        out.Pump();
    }
    out.Text("]\r\n/Count ");
    out.Number(n);
    out.Text("\r\n>>\r\nendobj\r\n");

    for (std::uint64_t i = 0; i < n; ++i) {
        out.BeginObject(3 + i);
        out.Text("<<\r\n/Type /Page\r\n/Parent 2 0 R\r\n/Resources\r\n<<\r\n/XObject << /Im0 ");
        out.Number(n + 3 + i);
        out.Text(" 0 R >>\r\n/ProcSet [ /PDF /ImageC ]\r\n>>\r\n/MediaBox [ 0 0 ");
        out.Text(Points(infos[i].W, pixelsPerPoint));
        out.Text(" ");
        out.Text(Points(infos[i].H, pixelsPerPoint));
        out.Text(" ]\r\n/Contents ");
        out.Number(2 * n + 3 + i);
        out.Text(" 0 R\r\n>>\r\nendobj\r\n");
        out.Pump();
    }

    std::uint32_t bytesDone = 0; // wraps like the 32-bit total it is shown against
    for (std::uint64_t i = 0; i < n; ++i) {
        out.BeginObject(n + 3 + i);
        out.Text("<<\r\n/Type /XObject\r\n/Subtype /Image\r\n/Name /Im0\r\n/Width ");
        out.Number(infos[i].W);
        out.Text("\r\n/Height ");
        out.Number(infos[i].H);
        out.Text("\r\n/BitsPerComponent 8\r\n/Filter [/DCTDecode]\r\n");
        if (infos[i].CMYK) {
            // The reader takes each of the four components inverted, as CMYK JPEG files store them.
            out.Text("/ColorSpace /DeviceCMYK\r\n/Decode[1 0 1 0 1 0 1 0]\r\n");
        } else {
            out.Text("/ColorSpace /DeviceRGB\r\n");
        }

        {
            std::uint64_t size = 0;
            const UniqueFd page = OpenRegularFile(pages[i], size);
            if (!page.Valid()) {
                throw std::runtime_error("Cannot open page file \"" + pages[i] + "\"");
            }
            out.Text("/Length ");
            out.Number(size);
            out.Text(" >>\r\nstream\r\n");
            // The object after this image would start past the limit: give up before copying the bytes.
            if (out.Position() + size + kImageEnd.size() >= kPdfOffsetLimit) {
                throw std::runtime_error("Page file \"" + pages[i] + "\" of " + Decimal(size) +
                                         " bytes takes the document beyond a ten-digit cross-reference offset");
            }
            sink.CopyFrom(page.Get(), size);
            bytesDone += static_cast<std::uint32_t>(size);
            if (progress) {
                progress(pages[i], totalBytes, static_cast<std::int32_t>(bytesDone));
            }
        }
        out.Text(kImageEnd);
        out.Pump();
    }

    for (std::uint64_t i = 0; i < n; ++i) {
        const std::string data = "q\r\n" + Points(infos[i].W, pixelsPerPoint) + " 0 0 " +
                                 Points(infos[i].H, pixelsPerPoint) + " 0 0 cm\r\n/Im0 Do\r\nQ\r\n";
        out.BeginObject(2 * n + 3 + i);
        out.Text("<< /Length ");
        out.Number(std::uint64_t{data.size()});
        out.Text(" >>\r\nstream\r\n");
        out.Text(data);
        out.Text("endstream\r\nendobj\r\n");
        out.Pump();
    }

    out.CrossReference();

    out.Text("trailer\r\n<<\r\n/Size ");
    out.Number(3 * n + 3);
    out.Text("\r\n/Root 1 0 R\r\n>>\r\nstartxref\r\n");
    out.Number(out.CrossReferenceOffset());
    out.Text("\r\n%%EOF");
}

} // namespace qm
