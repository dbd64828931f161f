#pragma once
// The result codes of the serial camera link. 0 is success; the numbers are
// kept stable because the message shown for a failure is chosen by them.

namespace lumbrel::camera {

enum class LinkError : int {
    Ok = 0,
    NoData = 2,            ///< nothing received, or the received file cannot be written
    CannotOpen = 3,        ///< the port cannot be opened
    CannotConfigure = 4,   ///< the port cannot be set up (raw mode or speed)
    NoMemory = 7,          ///< no memory for a reply
    Checksum = 10,         ///< checksum mismatch
    ShortWrite = 11,       ///< fewer bytes written than requested
    Cancelled = 13,        ///< the user cancelled
    BadReply = 14,         ///< unexpected reply byte or block length
    NoAck = 15,            ///< no ACK to ENQ after the retries
    Nak = 16,              ///< NAK received
    TimedOut = 17,         ///< a read timed out
    BatteryLow = 18,
    NotOpen = 21,          ///< the port is not open
    EmptyName = 25,        ///< an empty name inside a camera list
    NotIdentified = 27,    ///< the camera has not been identified
    Unsupported = 28,      ///< a camera this program cannot talk to
};

inline int code(LinkError e) { return static_cast<int>(e); }

}  // namespace lumbrel::camera
