#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class TextBox;

// The test page "manuell": single commands to the access point and their answers. The
// window sends what the buttons ask for.
class ManuellPage : public QWidget
{
    Q_OBJECT
public:
    explicit ManuellPage(QWidget *parent = nullptr);

    void Command1_Click();
    void Command11_Click();
    void Command12_Click();
    void Command13_Click();
    void command6_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void cmd_reboot_Click();
    void Command10_Click();

    void setAnswers(const QString &text);
    void appendAnswers(const QString &piece);

    QList<QWidget *> tabChain() const;

signals:
    void commandRequested(const QString &command);
    void clearRequested();
    // The user typed into the answers: the box holds text.
    void answersEdited(const QString &text);

private:
    QLabel *Label8;
    QPushButton *Command7;
    QLineEdit *Text3;
    QPushButton *Command8;
    QLineEdit *Text4;
    QPushButton *Command9;
    QLineEdit *Text5;
    QFrame *Line1;
    QLabel *Label9;
    TextBox *txtmanAntw;
    QPushButton *Command1;
    QPushButton *command6;
    QPushButton *cmd_reboot;
    QPushButton *Command13;
    QPushButton *Command12;
    QPushButton *Command11;
    QPushButton *Command3;
    QPushButton *Command5;
    QPushButton *Command4;
    QPushButton *Command10;
};
