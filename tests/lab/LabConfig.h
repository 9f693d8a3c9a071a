// The description of a lab of simulated eD2k servers: one server per line, read from text.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "serverlist/ServerTable.h"

namespace hublane::lab {

/// The port simulated copies listen on: every copy's peer port.
inline constexpr quint16 kLabPeerPort = 3077;

/// How a simulated server treats the requests it gets.
enum class Behaviour {
    Answer,     // answers at once
    Silent,     // never answers
    Late,       // answers after delayMs
    WrongCode,  // answers with the other exchange's code at byte 1 (0xA3 for a list, 0xA1 for a description)
    Truncated,  // answers with the last cutBytes bytes missing
    Garbage,    // answers with garbageBytes bytes of noise whose byte 1 is never an answer code
};

/// The behaviour of a word of the description ("answer", "silent", ...), if it is one.
std::optional<Behaviour> BehaviourFromWord(const QString& word);
QString BehaviourWord(Behaviour behaviour);

/// One simulated server.
struct LabServerConfig {
    QString address;            // a loopback address, 127.0.0.x
    quint16 listedPort = 4661;  // the port a server table lists for it
    quint16 udpPort = 4665;     // where it listens: listedPort + 4 unless given
    Behaviour behaviour = Behaviour::Answer;
    std::string name;                          // bytes of its name
    std::string description;                   // bytes of its description
    std::vector<serverlist::SERVEUR> entries;  // the servers it lists, in order (at most 255)
    int delayMs = 1000;                        // Late
    int cutBytes = 1;                          // Truncated
    int garbageBytes = 32;                     // Garbage
    std::uint8_t byte0 = 0xE3;                 // protocol byte of its answers
    // A simulated copy of the program instead of a server: it listens on the peer port and runs
    // the peer protocol (Answer) or drops everything (Silent); entries are its server table.
    bool peer = false;
    std::vector<std::string> peers;  // its peer list
};

/// Reads one line of the description; an empty optional for a blank or comment line.
/// On a malformed line, error is set and the result is empty.
std::optional<LabServerConfig> ParseLabLine(const QString& line, QString* error);

/// Reads a whole description, one server per line. False (with "line N: ..." in error) at the
/// first malformed line.
bool ParseLabConfig(const QString& text, std::vector<LabServerConfig>& servers, QString* error);

}  // namespace hublane::lab
