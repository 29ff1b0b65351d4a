#include "core/usersensor.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

#include <cmath>

namespace {

const char *const kKindWords[] = {"max", "average", "weighted"};

bool hasControl(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

// "ID" or, in a weighted mix, "ID*WEIGHT"; one line naming the part when wrong.
QString parsePart(const QString &text, MixKind kind, MixPart *part)
{
    const int star = text.lastIndexOf(QLatin1Char('*'));
    part->id = (star < 0 ? text : text.left(star)).trimmed();
    const QString wrong = QStringLiteral("part \"%1\": ").arg(text.trimmed());
    if (part->id.isEmpty() || hasControl(part->id))
        return wrong + QStringLiteral("empty id or a control character");
    if (star < 0)
        return QString();
    if (kind != MixKind::Weighted)
        return wrong + QStringLiteral("a weight goes with weighted only");
    bool ok = false;
    part->weight = text.mid(star + 1).trimmed().toDouble(&ok);
    if (!ok || !(part->weight > 0.0 && part->weight <= UserSensorDef::kMaxWeight))
        return wrong + QStringLiteral("weight not within 0..%1").arg(UserSensorDef::kMaxWeight);
    return QString();
}

QString parseParts(const QString &text, UserSensorDef *def)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() > UserSensorDef::kMaxParts)
        return QStringLiteral("mix: 1..%1 parts").arg(UserSensorDef::kMaxParts);
    for (const QString &p : parts) {
        MixPart part;
        const QString wrong = parsePart(p, def->mix, &part);
        if (!wrong.isEmpty())
            return wrong;
        def->parts.append(part);
    }
    return QString();
}

// The shortest text that reads back to the same weight.
QString weightText(double w)
{
    for (int digits = 6; digits < 17; ++digits) {
        if (QString::number(w, 'g', digits).toDouble() == w)
            return QString::number(w, 'g', digits);
    }
    return QString::number(w, 'g', 17);
}

} // namespace

bool UserSensorDef::operator==(const UserSensorDef &o) const
{
    return id == o.id && kind == o.kind && path == o.path && (kind == Kind::File || (mix == o.mix && parts == o.parts));
}

QString checkUserSensorId(const QString &id)
{
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9_.-]{1,%1}$").arg(UserSensorDef::kMaxIdLength));
    if (allowed.match(id).hasMatch())
        return QString();
    return QStringLiteral("id \"%1\": 1..%2 letters, digits, '_', '-' or '.'").arg(id).arg(UserSensorDef::kMaxIdLength);
}

UserSensorParse parseUserSensor(const QString &id, const QString &text)
{
    UserSensorParse out;
    UserSensorDef def;
    def.id = id;
    const int colon = text.indexOf(QLatin1Char(':'));
    const QString word = text.left(colon).trimmed();
    const QString rest = text.mid(colon + 1).trimmed();
    out.error = checkUserSensorId(id);
    if (!out.error.isEmpty())
        return out;
    if (colon < 0) {
        out.error = QStringLiteral("\"%1\" is not file:PATH or max|average|weighted:IDS").arg(text.left(40));
    } else if (word == QLatin1String("file")) {
        def.path = rest;
        if (rest.isEmpty())
            out.error = QStringLiteral("file sensor: empty path");
        else if (hasControl(rest))
            out.error = QStringLiteral("file sensor: path has a control character");
    } else {
        const auto kind = std::find(std::begin(kKindWords), std::end(kKindWords), word);
        def.kind = UserSensorDef::Kind::Mix;
        def.mix = MixKind(kind - std::begin(kKindWords));
        out.error = kind == std::end(kKindWords)
                        ? QStringLiteral("\"%1\" is not file, max, average or weighted").arg(word.left(40))
                        : parseParts(rest, &def);
    }
    if (out.error.isEmpty())
        out.def = def;
    return out;
}

QString serialiseUserSensor(const UserSensorDef &def)
{
    if (def.kind == UserSensorDef::Kind::File)
        return QStringLiteral("file:") + def.path;
    QStringList parts;
    for (const MixPart &p : def.parts)
        parts << (def.mix == MixKind::Weighted ? p.id + QLatin1Char('*') + weightText(p.weight) : p.id);
    return QLatin1String(kKindWords[int(def.mix)]) + QLatin1Char(':') + parts.join(QLatin1Char(','));
}
