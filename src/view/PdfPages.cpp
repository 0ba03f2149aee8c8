#include "view/PdfPages.h"

#include <QByteArray>
#include <QFileDevice>
#include <QIODevice>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

// An object's reference: "12 0 R" is 12; -1 when `text` at `at` holds none.
int refAt(const QByteArray& text, qsizetype at) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    qsizetype end = at;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
        ++end;
    if (end == at || text.mid(end, 4) != " 0 R")
        return -1;
    return text.mid(at, end - at).toInt();
}

// The reference that follows `key` in a dictionary, with the span it takes ("/Contents 7 0 R").
struct TKeyRef {
    int Number = -1;
    qsizetype From = 0, To = 0;
};
TKeyRef refAfter(const QByteArray& dict, const char* key) {
    TKeyRef ref;
    const qsizetype at = dict.indexOf(key);
    if (at < 0)
        return ref;
    ref.Number = refAt(dict, at + qstrlen(key));
    ref.From = at;
    ref.To = dict.indexOf(" 0 R", at) + 4;
    return ref;
}

// The whitespace-separated words of `text`, with "<<", ">>", "[" and "]" apart.
std::vector<QByteArray> words(const QByteArray& text) {
    QByteArray spaced = text;
    spaced.replace("<<", " << ").replace(">>", " >> ").replace("[", " [ ").replace("]", " ] ");
    std::vector<QByteArray> out;
    for (const QByteArray& w : spaced.simplified().split(' '))
        if (!w.isEmpty())
            out.push_back(w);
    return out;
}

// A resources dictionary as QPdfWriter writes it: categories (/Font, /ExtGState, ...) of
// entries "/Name value", where a value is a name or a reference. The first of a name wins.
using TResources = std::map<QByteArray, std::vector<std::pair<QByteArray, QByteArray>>>;

bool addResources(const QByteArray& dict, TResources& into) {
    const std::vector<QByteArray> w = words(dict);
    if (w.size() < 2 || w.front() != "<<")
        return false;
    for (size_t i = 1; i + 1 < w.size() && w[i] != ">>";) {
        const QByteArray category = w[i];
        if (!category.startsWith('/') || w[i + 1] != "<<")
            return false;
        auto& entries = into[category];
        for (i += 2; i < w.size() && w[i] != ">>";) {
            if (!w[i].startsWith('/') || i + 1 >= w.size())
                return false;
            QByteArray value = w[i + 1];
            size_t next = i + 2;
            if (!value.startsWith('/')) {
                if (next + 1 >= w.size() || w[next] != "0" || w[next + 1] != "R")
                    return false;
                value += " 0 R";
                next += 2;
            }
            bool known = false;
            for (const auto& e : entries)
                known = known || e.first == w[i];
            if (!known)
                entries.emplace_back(w[i], value);
            i = next;
        }
        ++i; // the category's ">>"
    }
    return true;
}

QByteArray resourcesText(const TResources& resources) {
    QByteArray text = "<<\n";
    for (const auto& [category, entries] : resources) {
        text += category + " <<\n";
        for (const auto& [name, value] : entries)
            text += name + " " + value + "\n";
        text += ">>\n";
    }
    return text + ">>";
}

class TPdfReader {
public:
    explicit TPdfReader(QIODevice& dev) : m_dev(dev) {}

    bool ReadTable() {
        const qint64 size = m_dev.size();
        const QByteArray tail = read(std::max<qint64>(0, size - 1024), 1024);
        const qsizetype start = tail.lastIndexOf("startxref");
        const qsizetype trailer = tail.lastIndexOf("trailer");
        if (start < 0 || trailer < 0)
            return false;
        m_xref = tail.mid(start + 9).trimmed().split('\n').value(0).trimmed().toLongLong();
        const QByteArray dict = tail.mid(trailer, start - trailer);
        Root = refAfter(dict, "/Root").Number;
        Info = refAfter(dict, "/Info").Number;
        const QByteArray head = read(m_xref, 64);
        const QList<QByteArray> lines = head.split('\n');
        if (lines.size() < 2 || lines[0].trimmed() != "xref")
            return false;
        const QList<QByteArray> range = lines[1].trimmed().split(' ');
        if (range.size() != 2 || range[0] != "0")
            return false;
        Size = range[1].toInt();
        if (Size <= 0 || Root <= 0 || Root >= Size)
            return false;
        // Entries of 20 bytes each: "0000012345 00000 n \n".
        const QByteArray entries = read(m_xref + lines[0].size() + lines[1].size() + 2, qint64(Size) * 20);
        if (entries.size() != qsizetype(Size) * 20)
            return false;
        m_offsets.resize(static_cast<size_t>(Size));
        for (int i = 0; i < Size; ++i)
            m_offsets[static_cast<size_t>(i)] = entries.mid(qsizetype(i) * 20, 10).toLongLong();
        return true;
    }

    // The dictionary of object `number`, from "<<" to its ">>".
    std::optional<QByteArray> Dict(int number) {
        if (number <= 0 || number >= Size)
            return std::nullopt;
        QByteArray text;
        const qint64 at = m_offsets[static_cast<size_t>(number)];
        for (qint64 step = 4096; text.size() < (1 << 20); step *= 2) {
            text = read(at, step);
            const qsizetype end = text.indexOf("endobj");
            if (end >= 0) {
                const QByteArray object = text.left(end);
                if (!object.startsWith(QByteArray::number(number) + " 0 obj"))
                    return std::nullopt;
                const qsizetype open = object.indexOf("<<"), close = object.lastIndexOf(">>");
                if (open < 0 || close < open)
                    return std::nullopt;
                return object.mid(open, close + 2 - open);
            }
            if (text.size() < step)
                break;
        }
        return std::nullopt;
    }

    qint64 XrefOffset() const { return m_xref; }
    int Size = 0, Root = -1, Info = -1;

private:
    QByteArray read(qint64 at, qint64 n) {
        if (!m_dev.seek(at))
            return {};
        return m_dev.read(n);
    }

    QIODevice& m_dev;
    qint64 m_xref = 0;
    std::vector<qint64> m_offsets;
};

} // namespace

bool AppendJoinedPages(QIODevice& pdf) {
    TPdfReader reader(pdf);
    if (!reader.ReadTable())
        return false;
    const auto catalog = reader.Dict(reader.Root);
    if (!catalog)
        return false;
    const int pagesRoot = refAfter(*catalog, "/Pages").Number;
    const auto pages = reader.Dict(pagesRoot);
    if (!pages)
        return false;
    const qsizetype kidsAt = pages->indexOf("/Kids");
    const qsizetype kidsEnd = pages->indexOf(']', kidsAt);
    if (kidsAt < 0 || kidsEnd < 0)
        return false;
    std::vector<int> kids;
    const std::vector<QByteArray> kidWords = words(pages->mid(kidsAt, kidsEnd - kidsAt));
    for (size_t i = 0; i + 2 < kidWords.size(); ++i)
        if (kidWords[i + 1] == "0" && kidWords[i + 2] == "R")
            kids.push_back(kidWords[i].toInt());
    if (kids.empty())
        return false;

    QByteArray first;
    TKeyRef firstContent, firstResources;
    QByteArray contents = "[";
    TResources resources;
    const int open = reader.Size, close = reader.Size + 1, merged = reader.Size + 2;
    for (const int kid : kids) {
        const auto page = reader.Dict(kid);
        if (!page)
            return false;
        const TKeyRef content = refAfter(*page, "/Contents");
        const TKeyRef res = refAfter(*page, "/Resources");
        const auto resDict = reader.Dict(res.Number);
        if (content.Number < 0 || !resDict || !addResources(*resDict, resources))
            return false;
        if (first.isEmpty()) {
            first = *page;
            firstContent = content;
            firstResources = res;
        }
        contents += QByteArray::number(open) + " 0 R " + QByteArray::number(content.Number) +
                    " 0 R " + QByteArray::number(close) + " 0 R\n";
    }
    contents += "]";
    // The later span first, so that the earlier one keeps its place.
    std::pair<TKeyRef, QByteArray> edits[] = {
        {firstContent, "/Contents " + contents},
        {firstResources, "/Resources " + QByteArray::number(merged) + " 0 R"}};
    if (edits[0].first.From < edits[1].first.From)
        std::swap(edits[0], edits[1]);
    for (const auto& [span, text] : edits)
        first.replace(span.From, span.To - span.From, text);

    // The update: new versions of the first page and the page tree, the merged resources
    // and the two streams that keep each page's graphics state to itself.
    std::vector<std::pair<int, qint64>> at;
    const qint64 base = pdf.size();
    QByteArray update = "\n";
    auto object = [&](int number, const QByteArray& body) {
        at.emplace_back(number, base + update.size());
        update += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
    };
    object(kids.front(), first);
    object(pagesRoot, "<<\n/Type /Pages\n/Kids [" + QByteArray::number(kids.front()) +
                          " 0 R]\n/Count 1\n>>");
    object(open, "<< /Length 2 >>\nstream\nq\n\nendstream");
    object(close, "<< /Length 2 >>\nstream\nQ\n\nendstream");
    object(merged, resourcesText(resources));
    std::sort(at.begin(), at.end());
    const qint64 xref = base + update.size();
    update += "xref\n";
    for (const auto& [number, offset] : at) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%d 1\n%010lld 00000 n \n", number,
                      static_cast<long long>(offset));
        update += entry;
    }
    update += "trailer\n<<\n/Size " + QByteArray::number(reader.Size + 3) + "\n/Root " +
              QByteArray::number(reader.Root) + " 0 R\n";
    if (reader.Info > 0)
        update += "/Info " + QByteArray::number(reader.Info) + " 0 R\n";
    update += "/Prev " + QByteArray::number(reader.XrefOffset()) + "\n>>\nstartxref\n" +
              QByteArray::number(xref) + "\n%%EOF\n";
    return pdf.seek(base) && pdf.write(update) == update.size();
}

void SendPdf(QFileDevice& pdf, const std::function<void(std::string_view)>& sink) {
    pdf.seek(0);
    QByteArray piece;
    while (!(piece = pdf.read(1 << 20)).isEmpty())
        sink(std::string_view(piece.constData(), static_cast<size_t>(piece.size())));
    if (pdf.error() != QFileDevice::NoError)
        throw std::runtime_error(("PDF를 만들 수 없습니다: " + pdf.errorString()).toStdString());
}
