#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Where a drawing's bytes go. Write takes all of `bytes` or throws.
class TDXFSink {
public:
    virtual ~TDXFSink() = default;
    virtual void Write(std::string_view bytes) = 0;
    // Now and then while the entities are written: `done` of `total` steps (a step is a
    // point in one pass over the points). May throw to stop the drawing.
    virtual void Progress(size_t done, size_t total) {
        (void)done;
        (void)total;
    }
};

// Steps between two calls of TDXFSink::Progress.
inline constexpr size_t kDxfProgressEvery = 8192;

// The one tag writer of both drawings: group code / value pairs, each line ended by CR LF,
// the values in the forms of DxfNumbers. Bytes gather in a fixed block that goes to the sink
// whenever the next piece does not fit, and on Flush; what is still gathered when the writer
// goes is dropped, so call Flush at the end.
class TDXFTags {
public:
    explicit TDXFTags(TDXFSink& sink);
    TDXFTags(const TDXFTags&) = delete;
    TDXFTags& operator=(const TDXFTags&) = delete;

    void Text(int code, std::string_view value);
    void Integer(int code, long long value);
    // The shortest form, as DxfNumbers::General.
    void Real(int code, double value);
    // Four decimals, as "%.4f".
    void Fixed(int code, double value);
    // A point's X under `code`, Y under code + 10, Z under code + 20, each as Real.
    void Point(int code, double x, double y, double z);
    // Upper-case hexadecimal, as DXF handles are written.
    void Handle(int code, unsigned value);
    // 0 SECTION, 2 `name`.
    void Section(const char* name);

    // Bytes as they are: runs of whole tags written ahead of time, so that what repeats per
    // point goes out in one copy.
    void Bytes(std::string_view bytes) {
        if (bytes.size() <= m_buf.size() - m_used) {
            bytes.copy(m_buf.data() + m_used, bytes.size());
            m_used += bytes.size();
        } else {
            bytesLarge(bytes);
        }
    }
    // A value in the 23-character form of DxfNumbers::Scientific, without its line end.
    void Scientific(double value);

    // Hands the gathered bytes to the sink.
    void Flush();

private:
    void bytesLarge(std::string_view bytes);

    TDXFSink& m_sink;
    std::string m_buf; // fixed size; m_used bytes of it are filled
    size_t m_used = 0;
};
