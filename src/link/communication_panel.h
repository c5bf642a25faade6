#pragma once

#include <QWidget>

class ComPanelLogic;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QListView;
class QPushButton;

// "COM Control Panel": connection method, port search, opening the port and
// the network bridge listener. One instance, modeless; closing only hides it,
// and showing it again loads the current shared state.
class CommunicationPanel : public QWidget
{
    Q_OBJECT
public:
    explicit CommunicationPanel(ComPanelLogic &logic, QWidget *parent = nullptr);
    ~CommunicationPanel() override;

    // Loads the shared state when the panel was closed, then brings it up.
    void showPanel();

    QPushButton *button(const QString &caption) const;
    QAbstractButton *methodOption(int option) const;
    QLineEdit *portEdit() const { return m_portEdit; }
    QLineEdit *netDockPortEdit() const { return m_netDockPort; }
    QListView *portListView() const { return m_portList; }
    QCheckBox *startListenerBox() const { return m_startListener; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void refreshPortBox();
    void refreshMethod();
    void setBusy(bool busy);

    ComPanelLogic &m_logic;
    QButtonGroup *m_methods = nullptr;
    QPushButton *m_find[3] = {};
    QListView *m_portList = nullptr;
    QLineEdit *m_portEdit = nullptr;
    QLineEdit *m_netDockPort = nullptr;
    QCheckBox *m_startListener = nullptr;
    bool m_busy = false;
};
