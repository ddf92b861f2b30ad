// A virtual serial port: a pseudo-terminal pair whose slave side is the
// "serial port" that the software under test opens, while this program works
// the master side. POSIX only; see VirtualPort::Supported().
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// Line settings as a reader of the port sees them in the slave's termios.
// Over a pseudo-terminal bytes pass unchanged whatever they say; readers that
// check the settings find the rate and stop bits there. Linux forces 8 data
// bits without parity on every pseudo-terminal, so those two read back as 8N.
struct TLineSettings {
  uint32_t BaudRate = 4800;
  int DataBits = 8;  // 5..8
  char Parity = 'E'; // 'N', 'O', 'E', 'M' or 'S'
  int StopBits = 2;  // 1 or 2
};

class VirtualPort {
public:
  VirtualPort() = default;
  ~VirtualPort(); // closes the pair and removes the link
  VirtualPort(const VirtualPort&) = delete;
  VirtualPort& operator=(const VirtualPort&) = delete;

  // False where the platform has no pseudo-terminals (Windows).
  static bool Supported();

  // Creates the pair. On failure returns false and says why in `error`.
  bool Open(const TLineSettings& settings, std::string& error);
  void Close();
  bool IsOpen() const { return master_ != -1; }

  // The path readers open, e.g. /dev/pts/7.
  const std::string& SlavePath() const { return slavePath_; }
  // For poll(): readable when a reader has sent bytes.
  int MasterFd() const { return master_; }

  // A stable symbolic link to the slave path. An existing symbolic link is
  // replaced (a previous run may have left it); anything else is refused.
  bool CreateLink(const std::string& linkPath, std::string& error);
  // Removes the link if it still points at this port. Close() calls it.
  void RemoveLink();

  // Stale output. Nothing drains the slave's input queue while no reader has
  // the port open (this object holds the slave), so what was written then
  // would greet the next reader as a backlog. Serving continuously, drop a
  // whole frame still unread when the next is due (DropIfWaiting with the frame
  // length: a reader that keeps up never loses one, and a partly read frame is
  // never cut); serving on demand, drop answers left unread for a while
  // (DropStale), since a reader reads its answer at once.
  void DropIfWaiting(std::size_t atLeast);
  void DropStale(std::chrono::milliseconds age);
  std::chrono::steady_clock::time_point LastWrite() const { return lastWrite_; }

  // Writes every byte, in order, giving up when more than `timeoutMs` pass
  // without progress. True only when all were written.
  bool Write(const std::string& bytes, int timeoutMs = 500);
  // Bytes a reader has sent, waiting up to timeoutMs for the first (0: only
  // what is there). Empty on time-out.
  std::string Read(int timeoutMs);
  // Bytes written and not yet read by anybody.
  int Waiting() const;

private:
  int master_ = -1;
  // Held open for the whole life of the pair: with no slave open the master
  // sees hang-ups and EIO whenever no reader happens to be connected.
  int slave_ = -1;
  std::string slavePath_;
  std::string linkPath_;
  std::chrono::steady_clock::time_point lastWrite_{};
};

#ifdef _WIN32
// Windows has no pseudo-terminals. A pair of linked virtual COM ports (such as
// com0com) plays the same part there; give its one end as a port path instead.
inline VirtualPort::~VirtualPort() = default;
inline bool VirtualPort::Supported() {
  return false;
}
inline bool VirtualPort::Open(const TLineSettings&, std::string& error) {
  error = "virtual ports need pseudo-terminals, which Windows does not have; give the path of a serial "
          "port (or one end of a virtual COM port pair) instead";
  return false;
}
inline void VirtualPort::Close() {}
inline bool VirtualPort::CreateLink(const std::string&, std::string& error) {
  error = "no virtual port on this platform";
  return false;
}
inline void VirtualPort::RemoveLink() {}
inline bool VirtualPort::Write(const std::string&, int) {
  return false;
}
inline std::string VirtualPort::Read(int) {
  return {};
}
inline int VirtualPort::Waiting() const {
  return 0;
}
#endif
