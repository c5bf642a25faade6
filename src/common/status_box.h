#pragma once

#include <QObject>
#include <QString>

// State of a centred status box: its text and whether it shows the good
// colours (black on pure green) or the stopped colours (white on pure red).
// Text and colour change separately: closing the port from the menu turns the
// box red while it still reads "COM Port is Open".
class StatusBox : public QObject
{
    Q_OBJECT
public:
    enum class Colour { Good, Bad };

    explicit StatusBox(QString text, Colour colour, QObject *parent = nullptr);

    QString text() const { return m_text; }
    Colour colour() const { return m_colour; }
    bool isGood() const { return m_colour == Colour::Good; }

    void show(const QString &text, Colour colour);
    void setColour(Colour colour);

signals:
    void changed();

private:
    QString m_text;
    Colour m_colour;
};
