#include "minihtml_layout.h"

#include "font_substitution.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>
#include <array>
#include <utility>

namespace {

struct TFontState {
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strike = false;
    bool Hidden = false;
    bool Shadow = false;
    QString Anchor;
    QColor Color;
    QColor Background;
    QString Face;
    int PixelSize = 0;
};

enum class TTagEffect { None, LineBreak, Rule };

QFont FontOf(const QFont &base, const TFontState &state) {
    QFont font(base);
    if (!state.Face.isEmpty()) font.setFamily(SubstituteFontFamily(state.Face));
    if (state.PixelSize > 0) font.setPixelSize(state.PixelSize);
    font.setBold(state.Bold);
    font.setItalic(state.Italic);
    font.setUnderline(state.Underline || !state.Anchor.isEmpty());
    font.setStrikeOut(state.Strike);
    return font;
}

// The value of name="value", name='value' or name=value inside a tag.
QString Attribute(QStringView tag, QStringView name) {
    qsizetype from = 0;
    while (true) {
        const qsizetype at = tag.indexOf(name, from, Qt::CaseInsensitive);
        if (at < 0) return {};
        qsizetype p = at + name.size();
        while (p < tag.size() && tag[p] == u' ')
            ++p;
        if (p >= tag.size() || tag[p] != u'=') {
            from = at + 1;
            continue;
        }
        ++p;
        while (p < tag.size() && tag[p] == u' ')
            ++p;
        if (p < tag.size() && (tag[p] == u'"' || tag[p] == u'\'')) {
            const QChar quote = tag[p];
            const qsizetype end = tag.indexOf(quote, p + 1);
            return (end < 0 ? tag.mid(p + 1) : tag.mid(p + 1, end - p - 1)).toString();
        }
        qsizetype end = p;
        while (end < tag.size() && tag[end] != u' ')
            ++end;
        return tag.mid(p, end - p).toString();
    }
}

// HTML font sizes 1 to 7 in points, at 96 pixels per inch.
int FontSizePixels(const QString &size) {
    static constexpr std::array<int, 7> kPoints{8, 10, 12, 14, 18, 24, 36};
    bool ok = false;
    const int n = size.toInt(&ok);
    if (!ok) return 0;
    return qRound(kPoints[qBound(1, n, 7) - 1] * 96.0 / 72.0);
}

TTagEffect ApplyTag(QStringView tag, TFontState &state, QList<TFontState> &fontStack) {
    const bool closing = tag.startsWith(u'/');
    const QStringView body = closing ? tag.mid(1) : tag;
    if (body.isEmpty()) return TTagEffect::None;
    const char16_t letter = body[0].toUpper().unicode();
    const char16_t next = body.size() > 1 ? body[1].toUpper().unicode() : u' ';
    switch (letter) {
    case u'B':
        if (next == u'R') return TTagEffect::LineBreak;
        if (next != u'O') state.Bold = !closing; // BODY has no effect here
        break;
    case u'I':
        if (next != u'M' && next != u'N') state.Italic = !closing; // not IMG, IND
        break;
    case u'U':
        if (next != u'L') state.Underline = !closing; // not UL
        break;
    case u'S':
        if (next == u'H')
            state.Shadow = !closing;
        else if (next != u'U') // not SUB, SUP
            state.Strike = !closing;
        break;
    case u'Z':
        state.Hidden = !closing;
        break;
    case u'A':
        state.Anchor = closing ? QString() : Attribute(body, u"href");
        break;
    case u'F':
        if (closing) {
            if (!fontStack.isEmpty()) {
                // Only the FONT attributes are restored; styles switched
                // inside stay as they are, as with the other tags.
                const TFontState saved = fontStack.takeLast();
                state.Color = saved.Color;
                state.Background = saved.Background;
                state.Face = saved.Face;
                state.PixelSize = saved.PixelSize;
            }
        } else {
            fontStack.append(state);
            const QString face = Attribute(body, u"face");
            const QString color = Attribute(body, u"color");
            const QString bgcolor = Attribute(body, u"bgcolor");
            const QString size = Attribute(body, u"size");
            if (!face.isEmpty()) state.Face = face;
            if (!color.isEmpty() && QColor(color).isValid()) state.Color = QColor(color);
            if (!bgcolor.isEmpty() && QColor(bgcolor).isValid()) state.Background = QColor(bgcolor);
            if (const int px = FontSizePixels(size); px > 0) state.PixelSize = px;
        }
        break;
    case u'H':
        if (next == u'R' && !closing) return TTagEffect::Rule;
        break;
    default:
        break;
    }
    return TTagEffect::None;
}

QString StripMnemonic(const QString &text, int &underlined) {
    QString out;
    underlined = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == u'&') {
            out += u'&';
            ++i;
        } else if (i + 1 < text.size() && underlined < 0) {
            underlined = int(out.size());
        }
    }
    return out;
}

THtmlRun MakeRun(const QString &raw, const TFontState &state, const QFont &base,
                 const THtmlOptions &options) {
    THtmlRun run;
    QString text = raw;
    if (text.contains(u'&')) {
        text.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "), Qt::CaseInsensitive);
        text.replace(QStringLiteral("&lt;"), QStringLiteral("<"), Qt::CaseInsensitive);
        text.replace(QStringLiteral("&gt;"), QStringLiteral(">"), Qt::CaseInsensitive);
        if (options.PrefixAmpersands) text = StripMnemonic(text, run.UnderlinedChar);
    }
    run.Text = text;
    run.Font = FontOf(base, state);
    run.Color = state.Anchor.isEmpty() ? state.Color : options.URLColor;
    run.Background = state.Background;
    run.Anchor = state.Anchor;
    run.Shadow = state.Shadow;
    run.Width = QFontMetrics(run.Font).horizontalAdvance(text);
    run.Height = HtmlLineHeight(run.Font);
    return run;
}

} // namespace

QStringList THtmlDocument::LineTexts() const {
    QStringList texts;
    for (const THtmlLine &line : Lines) {
        QString text;
        for (const THtmlRun &run : line.Runs)
            text += run.Text;
        texts << text;
    }
    return texts;
}

QString PrepareHtmlText(const QString &text) {
    QString t = text;
    if (t.contains(u'&')) {
        static const std::array<std::pair<QString, QString>, 9> kEntities{{
            {QStringLiteral("&amp;"), QStringLiteral("&")},
            {QStringLiteral("&quot;"), QStringLiteral("\"")},
            {QStringLiteral("&sect;"), QString(QChar(0x00A7))},
            {QStringLiteral("&permil;"), QString(QChar(0x2030))},
            {QStringLiteral("&reg;"), QString(QChar(0x00AE))},
            {QStringLiteral("&copy;"), QString(QChar(0x00A9))},
            {QStringLiteral("&para;"), QString(QChar(0x00B6))},
            {QStringLiteral("&trade;"), QString(QChar(0x2122))},
            {QStringLiteral("&euro;"), QString(QChar(0x20AC))},
        }};
        // A replacement can form a new entity ("&amp;quot;"), which is
        // replaced as well; every pass shortens the text, so this ends.
        bool changed = true;
        while (changed) {
            changed = false;
            for (const auto &[entity, replacement] : kEntities) {
                if (t.contains(entity, Qt::CaseInsensitive)) {
                    t.replace(entity, replacement, Qt::CaseInsensitive);
                    changed = true;
                }
            }
        }
    }
    if (const qsizetype open = t.indexOf(QStringLiteral("<#")); open >= 0) {
        const qsizetype close = t.indexOf(u'>', open + 2);
        t.remove(open, 2);
        if (close >= 0) t.remove(close - 2, 1);
    }
    t.replace(QStringLiteral("\r"), QStringLiteral("<BR>"));
    t.remove(u'\n');
    return t;
}

int HtmlLineHeight(const QFont &font) {
    // The sum of the unrounded ascent and descent, rounded up once, as the
    // platform's text extent of "gh" is; rounding each part on its own
    // loses a pixel with some fonts.
    const QFontMetricsF fm(font);
    return qCeil(fm.ascent() + fm.descent());
}

THtmlDocument LayoutHtml(const QString &prepared, const QFont &font, int lineWidth,
                         const THtmlOptions &options) {
    THtmlDocument doc;
    TFontState state;
    state.Bold = font.bold();
    state.Italic = font.italic();
    state.Underline = font.underline();
    state.Strike = font.strikeOut();
    QList<TFontState> fontStack;

    const QString &t = prepared;
    qsizetype pos = 0;
    while (pos < t.size()) {
        THtmlLine line;
        line.Height = HtmlLineHeight(FontOf(font, state));
        int x = 0;
        bool placedEndsWithSpace = false;
        QFont lastFont = FontOf(font, state);
        bool cut = false;

        while (pos < t.size()) {
            if (t[pos] == u'<') {
                if (t.size() - pos <= 2) {
                    pos = t.size();
                    break;
                }
                const qsizetype close = t.indexOf(u'>', pos);
                if (close < 0) {
                    pos = t.size();
                    break;
                }
                const QStringView tag = QStringView(t).mid(pos + 1, close - pos - 1);
                pos = close + 1;
                const TTagEffect effect = ApplyTag(tag, state, fontStack);
                if (effect == TTagEffect::LineBreak) break;
                if (effect == TTagEffect::Rule) {
                    line.Rule = true;
                    break;
                }
                continue;
            }

            const qsizetype lt = t.indexOf(u'<', pos);
            qsizetype end = lt < 0 ? t.size() : lt;
            if (options.WordWrap) {
                const qsizetype space = t.indexOf(u' ', pos);
                if (space >= 0 && space < end) end = space + 1;
            }
            if (cut || state.Hidden) {
                pos = end;
                continue;
            }
            THtmlRun run = MakeRun(t.mid(pos, end - pos), state, font, options);
            const bool fits = x + run.Width < lineWidth || run.Width >= lineWidth;
            if (!fits) {
                if (options.WordWrap) {
                    // A word continued right after a tag stays with its
                    // first part, even beyond the right edge.
                    if (placedEndsWithSpace) break;
                } else {
                    const QFontMetrics fm(run.Font);
                    run.Text = fm.elidedText(run.Text, Qt::ElideRight, qMax(0, lineWidth - x));
                    run.Width = fm.horizontalAdvance(run.Text);
                    run.UnderlinedChar = -1;
                    cut = true;
                }
            }
            run.X = x;
            x += run.Width;
            line.Height = qMax(line.Height, run.Height);
            placedEndsWithSpace = run.Text.endsWith(u' ');
            lastFont = run.Font;
            line.Runs.append(run);
            pos = end;
        }

        line.Width = x - (placedEndsWithSpace ? QFontMetrics(lastFont).horizontalAdvance(u' ') : 0);
        doc.TextWidth = qMax(doc.TextWidth, line.Width);
        doc.TextHeight += line.Height;
        doc.Lines.append(line);
    }
    if (doc.Lines.isEmpty()) doc.TextHeight = HtmlLineHeight(font);
    return doc;
}

void DrawHtml(QPainter &painter, const THtmlDocument &document, const QRect &rect,
              const THtmlDrawOptions &options) {
    int y = rect.top();
    const int right = rect.left() + rect.width();
    for (qsizetype i = 0; i < document.Lines.size(); ++i) {
        const THtmlLine &line = document.Lines[i];
        const int judged = i == 0 ? line.Height : document.Lines[i - 1].Height;
        if (y + judged > rect.top() + rect.height()) break;
        for (const THtmlRun &run : line.Runs) {
            const int x = rect.left() + run.X;
            if (options.KeepClearOfRightEdge &&
                right - x <= QFontMetrics(run.Font).horizontalAdvance(u'W'))
                break;
            const QFontMetrics fm(run.Font);
            const int baseline = y + line.Height - fm.descent();
            const bool hover = !run.Anchor.isEmpty() && run.Anchor == options.HoverAnchor;
            if (run.Background.isValid() || (hover && options.HoverColor.isValid()))
                painter.fillRect(QRect(x, y, run.Width, line.Height),
                                 hover && options.HoverColor.isValid() ? options.HoverColor
                                                                       : run.Background);
            painter.setFont(run.Font);
            if (run.Shadow) {
                painter.setPen(options.ShadowColor);
                painter.drawText(QPoint(x + options.ShadowOffset, baseline + options.ShadowOffset),
                                 run.Text);
            }
            QColor color = run.Color.isValid() ? run.Color : options.FontColor;
            if (!run.Anchor.isEmpty()) color = options.URLColor;
            if (hover && options.HoverFontColor.isValid()) color = options.HoverFontColor;
            painter.setPen(color);
            painter.drawText(QPoint(x, baseline), run.Text);
            if (run.UnderlinedChar >= 0 && run.UnderlinedChar < run.Text.size()) {
                const int ux = x + fm.horizontalAdvance(run.Text.left(run.UnderlinedChar));
                const int uw = fm.horizontalAdvance(run.Text.at(run.UnderlinedChar));
                const int uy = baseline + qMax(1, fm.underlinePos());
                painter.drawLine(ux, uy, ux + uw - 1, uy);
            }
        }
        if (line.Rule) {
            painter.setPen(options.FontColor);
            const int ry = y + line.Height - 1;
            painter.drawLine(rect.left(), ry, right - 1, ry);
        }
        y += line.Height;
    }
}

QString HtmlAnchorAt(const THtmlDocument &document, const QRect &rect, const QPoint &point) {
    int y = rect.top();
    for (const THtmlLine &line : document.Lines) {
        for (const THtmlRun &run : line.Runs)
            if (!run.Anchor.isEmpty() &&
                QRect(rect.left() + run.X, y, run.Width, line.Height).contains(point))
                return run.Anchor;
        y += line.Height;
    }
    return {};
}
