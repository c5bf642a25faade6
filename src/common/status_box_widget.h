#pragma once

#include <QLabel>

class StatusBox;

// Shows a StatusBox: centred text, black on pure green or white on pure red.
class StatusBoxWidget : public QLabel
{
    Q_OBJECT
public:
    explicit StatusBoxWidget(StatusBox &box, QWidget *parent = nullptr);

private:
    void refresh();

    StatusBox &m_box;
};
