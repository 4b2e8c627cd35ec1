#pragma once
// The dialogue view RichEdit1: a read-only rich-text view whose lines are
// centred and keep the colour and font they were added with. It behaves as a
// line list: line count, line i ("" outside), adding text adds one line per
// piece, deleting outside the list changes nothing.
#include <QColor>
#include <QFont>
#include <QTextEdit>
#include <string>

class DialogueView : public QTextEdit {
    Q_OBJECT
public:
    explicit DialogueView(QWidget* parent = nullptr);

    int lineCount() const;
    // Line i as Windows-1251 bytes; "" outside the list.
    std::string line(int i) const;
    QString lineText(int i) const;
    // Colour and character format that line i was added with.
    QColor lineColor(int i) const;
    QFont lineFont(int i) const;

    // Adds Windows-1251 text with the current attributes, one line per piece.
    void addLine(const std::string& cp1251);
    void deleteLine(int i);
    void clearLines();
    // Hides QTextEdit::clear(), which would leave the line count behind.
    void clear() { clearLines(); }

    // Current text attributes, taken by the next line added.
    QColor currentColor() const { return color_; }
    void setCurrentColor(const QColor& color) { color_ = color; }
    QFont currentFont() const { return font_; }
    void setCurrentFontName(const QString& family);
    void setCurrentFontSizeAndStyle(const QFont& from);
    void setCurrentFont(const QFont& font);

signals:
    void linesChanged();

private:
    int lines_ = 0;
    QColor color_ = Qt::black;
    QFont font_;
};
