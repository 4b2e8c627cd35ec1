// The dialogue view: one centred paragraph per line, each with the colour
// and font that were current when it was added.
#include "main_window/dialogue_view.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "aux_windows/pickers.h"
#include "engine/cp1251.h"
#include "engine/line_list.h"

DialogueView::DialogueView(QWidget* parent) : QTextEdit(parent), font_(tarsel::gui::default_font())
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setAcceptRichText(false);
    setFocusPolicy(Qt::ClickFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, QColor(0xC0, 0xC0, 0xC0));
    setPalette(pal);
    setCursor(Qt::ForbiddenCursor);
    viewport()->setCursor(Qt::ForbiddenCursor);
}

int DialogueView::lineCount() const
{
    return lines_;
}

QString DialogueView::lineText(int i) const
{
    if (i < 0 || i >= lines_)
        return {};
    return document()->findBlockByNumber(i).text();
}

std::string DialogueView::line(int i) const
{
    return tarsel::utf8_to_cp1251(lineText(i).toStdString());
}

namespace {

// The character format a line was added with: that of its text, or for an
// empty line the block's own.
QTextCharFormat line_format(const QTextBlock& block)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.isValid() && fragment.length() > 0)
            return fragment.charFormat();
    }
    return block.charFormat();
}

} // namespace

QColor DialogueView::lineColor(int i) const
{
    if (i < 0 || i >= lines_)
        return {};
    return line_format(document()->findBlockByNumber(i)).foreground().color();
}

QFont DialogueView::lineFont(int i) const
{
    if (i < 0 || i >= lines_)
        return {};
    return line_format(document()->findBlockByNumber(i)).font();
}

void DialogueView::addLine(const std::string& cp1251)
{
    std::vector<std::string> pieces = tarsel::split_lines(cp1251);
    if (pieces.empty())
        pieces.emplace_back();  // an empty text is one empty line

    QTextBlockFormat paragraph;
    paragraph.setAlignment(Qt::AlignHCenter);
    QTextCharFormat chars;
    chars.setForeground(color_);
    chars.setFont(font_);

    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (const std::string& piece : pieces) {
        const QString text = QString::fromStdString(tarsel::cp1251_to_utf8(piece));
        cursor.movePosition(QTextCursor::End);
        if (lines_ == 0) {
            // The empty document's one block becomes the first line.
            cursor.setBlockFormat(paragraph);
            cursor.setBlockCharFormat(chars);
        } else {
            cursor.insertBlock(paragraph, chars);
        }
        cursor.insertText(text, chars);
        ++lines_;
    }
    cursor.endEditBlock();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    emit linesChanged();
}

void DialogueView::deleteLine(int i)
{
    if (i < 0 || i >= lines_)
        return;
    if (lines_ == 1) {
        clearLines();
        return;
    }
    QTextDocument* doc = document();
    const QTextBlock block = doc->findBlockByNumber(i);
    QTextCursor cursor(doc);
    if (i == 0) {
        // Removing up to the next line's start merges that line into this
        // block: keep the next line's own paragraph and character formats.
        const QTextBlock next = block.next();
        const QTextBlockFormat nextFormat = next.blockFormat();
        const QTextCharFormat nextChars = next.charFormat();
        cursor.setPosition(block.position());
        cursor.setPosition(next.position(), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        cursor.setBlockFormat(nextFormat);
        cursor.setBlockCharFormat(nextChars);
    } else {
        // From the end of the line before, so the line break goes with it.
        const QTextBlock previous = block.previous();
        cursor.setPosition(previous.position() + previous.length() - 1);
        cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    --lines_;
    emit linesChanged();
}

void DialogueView::clearLines()
{
    const bool hadLines = lines_ > 0;
    QTextEdit::clear();
    lines_ = 0;
    if (hadLines)
        emit linesChanged();
}

void DialogueView::setCurrentFontName(const QString& family)
{
    font_.setFamily(family);
}

void DialogueView::setCurrentFontSizeAndStyle(const QFont& from)
{
    if (from.pointSizeF() > 0)
        font_.setPointSizeF(from.pointSizeF());
    else if (from.pixelSize() > 0)
        font_.setPixelSize(from.pixelSize());
    font_.setWeight(from.weight());
    font_.setItalic(from.italic());
    font_.setUnderline(from.underline());
    font_.setStrikeOut(from.strikeOut());
}

void DialogueView::setCurrentFont(const QFont& font)
{
    setCurrentFontName(font.family());
    setCurrentFontSizeAndStyle(font);
}
