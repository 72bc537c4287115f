#pragma once
// The questions the NC functions ask before they run, behind one
// interface so that window tests answer them without a person.
#include "nc/renumber.h"
#include "nc/transform.h"
#include "tools/ncscope.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace marbolt {

struct RenumberQuestion {
    NcScope scope = NcScope::Program;
    bool hasSelection = false;  // the selection may be chosen
    nc::RenumberOptions options;
};

enum class TransformKind { Translate, Scale, Rotate, MirrorX, MirrorY };

struct TransformQuestion {
    NcScope scope = NcScope::Program;
    bool hasSelection = false;
    bool lathe = false;  // only a move and a scale are offered
    TransformKind kind = TransformKind::Translate;
    double dx = 0, dy = 0, dz = 0;  // the move
    double factor = 1;              // the scale
    double degrees = 0;             // the turn, counter-clockwise
    double cx = 0, cy = 0, cz = 0;  // the centre of a scale, a turn or a mirror

    nc::Transform transform() const;
};

struct RateQuestion {
    NcScope scope = NcScope::Program;
    bool hasSelection = false;
    double feedPercent = 100;
    double spindlePercent = 100;
};

struct RestartQuestion {
    QString where;        // "O1000 の N1020 (13行目)"
    QString header;       // the blocks before the program's rest, editable
    QStringList notes;    // what to check
    int blocksAfter = 0;  // lines sent after the header
};

class NcQuestions {
public:
    virtual ~NcQuestions() = default;
    // "番号の振り直し": the values as the user left them; nullopt on cancel.
    virtual std::optional<RenumberQuestion> renumber(const RenumberQuestion &initial) = 0;
    // "座標変換".
    virtual std::optional<TransformQuestion> transform(const TransformQuestion &initial) = 0;
    // "送り・回転数の倍率".
    virtual std::optional<RateQuestion> rates(const RateQuestion &initial) = 0;
    // "プログラム統計": the report, read and closed.
    virtual void statistics(const QString &report) = 0;
    // "再開送信": the header as the user leaves it (lines, without their
    // breaks' kind); nullopt on cancel.
    virtual std::optional<QString> confirmRestart(const RestartQuestion &question) = 0;
};

inline nc::Transform TransformQuestion::transform() const
{
    switch (kind) {
    case TransformKind::Translate:
        return nc::Transform::translation(dx, dy, dz);
    case TransformKind::Scale:
        return nc::Transform::scaling(factor, cx, cy, cz);
    case TransformKind::Rotate:
        return nc::Transform::rotation(degrees, cx, cy);
    case TransformKind::MirrorX:
        return nc::Transform::mirrorX(cx);
    case TransformKind::MirrorY:
        return nc::Transform::mirrorY(cy);
    }
    return {};
}

}  // namespace marbolt
