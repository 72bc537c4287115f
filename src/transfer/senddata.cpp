#include "transfer/senddata.h"

#include <algorithm>
#include <cmath>

namespace marbolt {

std::string normaliseLineEnds(std::string_view text, std::vector<StripJump> *jumps)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            const char pair = c == '\r' ? '\n' : '\r';
            const bool two = i + 1 < text.size() && text[i + 1] == pair;
            if (two)
                ++i;
            out += "\r\n";
            // A lone CR or LF, or LF CR, is not where its CR LF now stands.
            if (jumps && (!two || c == '\n'))
                jumps->push_back({out.size(), i + 1});
        } else {
            out += c;
        }
    }
    return out;
}

std::string stripCommentLines(std::string_view data, std::vector<StripJump> *jumps)
{
    // One pass that does what removing the first LF-apostrophe place again
    // and again does: the LF stays, so what follows it is tested in turn.
    std::string out;
    out.reserve(data.size());
    std::size_t i = 0;
    while (i < data.size()) {
        if (data[i] == '\'' && !out.empty() && out.back() == '\n') {
            const std::size_t window = std::min<std::size_t>(1000, data.size() - i - 1);
            const std::size_t lf = data.substr(i + 1, window).find('\n');
            if (lf != std::string_view::npos)
                i += 1 + lf + 1;  // through the closing LF
            else
                i = std::min(data.size(), i + 1001);
            if (jumps)
                jumps->push_back({out.size(), i});
            continue;
        }
        out += data[i++];
    }
    return out;
}

std::size_t PreparedText::sourceOffset(std::size_t p) const
{
    // Back through the last jump at or before p, then past the lead.
    auto back = [](const std::vector<StripJump> &list, std::size_t at) {
        const auto after = std::upper_bound(list.begin(), list.end(), at,
                                            [](std::size_t v, const StripJump &j) { return v < j.out; });
        return after == list.begin() ? at : std::prev(after)->in + (at - std::prev(after)->out);
    };
    const std::size_t in = back(jumps, p);
    if (in < lead || in - lead >= sourceSize)
        return std::string::npos;
    return back(lineEndJumps, in - lead);
}

PreparedText prepareSendText(std::string_view source, const SendOptions &options)
{
    PreparedText out;
    std::string data = normaliseLineEnds(source, &out.lineEndJumps);
    out.sourceSize = data.size();

    // The end marker goes on when the text has no "%" after its first
    // character. A "%" inside a comment line does not count: the line is
    // not sent, and the machine would wait for an end that never comes.
    const std::string visible = stripCommentLines("\n" + data).substr(1);
    if (visible.find('%', 1) == std::string::npos)
        data += "\n%";

    if (data.empty() || data.front() != '%') {
        out.lead = options.headPercent ? 2 : 1;
        data.insert(0, options.headPercent ? "%\n" : "\n");
    }
    out.text = stripCommentLines(data, &out.jumps);
    return out;
}

SendData encodeSendData(PreparedText prepared, PunchCode code)
{
    SendData out;
    out.bytes = std::move(prepared.text);
    out.feedchar = sendiso(0x20);
    if (code != PunchCode::None) {
        for (char &c : out.bytes)
            c = static_cast<char>(encodeFor(code, static_cast<std::uint8_t>(c)));
        out.feedchar = feedByteFor(code);
    }
    return out;
}

SendData prepareSendData(std::string_view source, const SendOptions &options)
{
    return encodeSendData(prepareSendText(source, options), options.code);
}

bool isProgramBoundary(std::string_view data, std::size_t k)
{
    if (k < 6 || k + 3 >= data.size())
        return false;
    const auto a = static_cast<std::uint8_t>(data[k]);
    const auto b = static_cast<std::uint8_t>(data[k + 1]);
    return (a == 0x0A && b == 0xCF) || (a == 0x80 && b == 0x46);
}

bool isPacingPoint(std::size_t k, int speed)
{
    if (speed <= 0)
        return k == 0;
    return (static_cast<unsigned long long>(k) * 100ull) % static_cast<unsigned long long>(speed) == 0;
}

long long roundHalfEven(double value)
{
    // The default rounding mode, to nearest, takes halves to even.
    return static_cast<long long>(std::nearbyint(value));
}

QString remainingText(long long remaining, long long rate, int speed)
{
    double perSecond = static_cast<double>(rate);
    if (rate <= 0)
        perSecond = speed > 0 ? speed / 12.0 : 1.0;
    const double seconds = static_cast<double>(remaining) / perSecond;
    const long long t = roundHalfEven(seconds);
    if (t <= 60)
        return QStringLiteral("残り%1バイト(約%2秒)").arg(remaining).arg(t);
    return QStringLiteral("残り%1バイト(約%2分)").arg(remaining).arg(roundHalfEven(seconds / 60));
}

}  // namespace marbolt
