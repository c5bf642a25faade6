#pragma once

#include "common/program_flags.h"
#include "common/status_box.h"
#include "common/status_list.h"
#include "coro_wait.h"
#include "link/command_exchange.h"
#include "link/dialogue_gate.h"
#include "link/port_map.h"
#include "link/radio_dongle.h"
#include "link/serial_link.h"
#include "monitor_sim.h"
#include "scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QSerialPort>

// The link to the simulated monitor as the program wires it, without the
// program around it.
struct ExchangeParts
{
    MonitorSim sim;
    PortMap ports;
    StatusBox serialBox{"COM Port is Closed", StatusBox::Colour::Bad};
    StatusBox panelBox{"1", StatusBox::Colour::Bad};
    StatusList status;
    ScriptedDialogs dialogs;
    ProgramFlags flags;
    SerialLink link{ports, serialBox, panelBox, status, dialogs};
    DialogueGate gate;
    CommandExchange exchange{link, status};
    RadioDongle radio{link, exchange, gate, flags, status};

    void start()
    {
        QString error;
        ASSERT_TRUE(sim.start(&error)) << qPrintable(error);
        ports.setEntry(3, sim.devicePath());
        link.setPortNumber(3);
    }

    void open()
    {
        ASSERT_TRUE(awaitTask(link.OpenPort()).value_or(false));
        status.clear();
    }

    // The receiver is not wired here: with commandInProgress clear, input
    // simply stays in the port.
    QSerialPort &port() { return link.port(); }
};
