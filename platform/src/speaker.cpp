// The speaker's tone output on Linux: the input event device of the PC
// speaker takes tone events (EV_SND / SND_TONE with the frequency, 0 to stop).
#include "platform/ports.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::io {

namespace {

bool offersTones(int fd) {
  unsigned long bits[(SND_MAX + 8 * sizeof(unsigned long)) / (8 * sizeof(unsigned long))] = {};
  if (::ioctl(fd, EVIOCGBIT(EV_SND, sizeof bits), bits) < 0) return false;
  constexpr unsigned kPerWord = 8 * sizeof(unsigned long);
  return (bits[SND_TONE / kPerWord] >> (SND_TONE % kPerWord)) & 1u;
}

// The named device (any writable file: a test may name one), else the first
// event device offering tones.
int openSpeaker(const std::string& named) {
  if (!named.empty()) return ::open(named.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator("/dev/input", ec)) {
    std::string name = e.path().filename().string();
    if (name.rfind("event", 0) != 0) continue;
    int fd = ::open(e.path().c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) continue;
    if (offersTones(fd)) return fd;
    ::close(fd);
  }
  return -1;
}

void sleepMs(unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class SpeakerTone : public ToneOut {
public:
  explicit SpeakerTone(int fd) : fd_(fd) {}
  ~SpeakerTone() override {
    if (fd_ >= 0) ::close(fd_);
  }
  void tone(unsigned hz, unsigned ms) override {
    if (hz == 0 || ms == 0) return;
    std::lock_guard<std::mutex> lk(mu_);
    if (fd_ >= 0 && send(int(hz))) {
      sleepMs(ms);
      send(0);
      return;
    }
    bell();
    sleepMs(ms);
  }
  void beep(unsigned) override {
    std::lock_guard<std::mutex> lk(mu_);
    bell();
  }
private:
  bool send(int value) {
    input_event ev{};
    ev.type = EV_SND;
    ev.code = SND_TONE;
    ev.value = value;
    return ::write(fd_, &ev, sizeof ev) == ssize_t(sizeof ev);
  }
  // The terminal's bell, where the process has one.
  static void bell() {
    int tty = ::open("/dev/tty", O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (tty < 0) return;
    [[maybe_unused]] ssize_t n = ::write(tty, "\a", 1);
    ::close(tty);
  }
  std::mutex mu_;
  int fd_;
};

} // namespace

std::shared_ptr<ToneOut> makeSpeakerTone(const std::string& device) {
  return std::make_shared<SpeakerTone>(openSpeaker(device));
}

} // namespace plat::io
