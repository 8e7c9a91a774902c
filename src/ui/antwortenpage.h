#pragma once

#include <QWidget>

class QLabel;
class TextBox;

// The page "Antworten": the access point's replies as received.
class AntwortenPage : public QWidget
{
    Q_OBJECT
public:
    explicit AntwortenPage(QWidget *parent = nullptr);

    void setReplies(const QString &text);
    void appendReplies(const QString &piece);
    QWidget *replyBox() const;

private:
    QLabel *Label3;
    TextBox *Monitor;
};
