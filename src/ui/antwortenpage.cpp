// Page "Antworten": the raw replies.

#include "ui/antwortenpage.h"

#include <QLabel>
#include <QVBoxLayout>

#include "ui/builders.h"
#include "ui/controls.h"

using namespace ui;

AntwortenPage::AntwortenPage(QWidget *parent) : QWidget(parent)
{
    QWidget *page = this;
    setObjectName(QStringLiteral("AntwortenPage"));
    Label3 = label(page, "Label3", QStringLiteral("Antworten im Rohformat:"));
    Monitor = named(new TextBox(page), "Monitor");
    Monitor->setReadOnly(true);
    Monitor->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Monitor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Monitor->setTabChangesFocus(true);
    // Emptied at every poll, refilled a moment later by the reply.
    Monitor->setEmptyingHeld(true);
    setBackColor(Monitor, bgrColor(0x80000018));
    Label3->setBuddy(Monitor);
    auto *v = new QVBoxLayout(page);
    tighten(v);
    v->setSpacing(2);
    v->addWidget(Label3);
    v->addWidget(Monitor, 1);
}

void AntwortenPage::setReplies(const QString &text)
{
    Monitor->setText(text);
}

void AntwortenPage::appendReplies(const QString &piece)
{
    Monitor->appendText(piece);
}

QWidget *AntwortenPage::replyBox() const
{
    return Monitor;
}
