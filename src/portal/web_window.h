#pragma once

#include <QWidget>

class PortalUpload;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// "Send Data to Web Server": the portal upload's switch, its status, the
// trigger values in force and the list of posts. The upload runs without
// this window; closing it only hides it.
class WebWindow : public QWidget
{
    Q_OBJECT
public:
    explicit WebWindow(PortalUpload &portal, QWidget *parent = nullptr);

    QCheckBox *enableBox() const { return m_enable; }
    // The read-only boxes: user, interval, CH1 and CH2 trigger power.
    QLineEdit *textBox(int index) const { return m_boxes[index]; }
    QLabel *portalStatusLabel() const { return m_portalStatus; }
    QTableView *postList() const { return m_list; }
    QPushButton *button(const QString &caption) const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showTextBoxes();

    PortalUpload &m_portal;
    QCheckBox *m_enable = nullptr;
    QLineEdit *m_boxes[4] = {};
    QLabel *m_portalStatus = nullptr;
    QTableView *m_list = nullptr;
};
