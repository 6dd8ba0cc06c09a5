// Floods a chat peer: joins its room, then sends numbered "Message" datagrams with
// garbage datagrams in between as fast as it can, while it listens for the peer's own
// lines and prints when each arrives. Run inside a lab host only.
// usage: lab_flood_sender PEER ROOM NAME COUNT GARBAGE_PER_MESSAGE SECONDS_TO_LISTEN
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "net/HeaderBlock.h"
#include "net/ProtocolTable.h"
#include "platform/Cp932.h"
#include "platform/Ipv4.h"
#include "platform/UdpSocket.h"

using namespace vostrelle;

namespace {

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string Block(const char* command, const std::string& room, const std::string& name,
                  const std::string& message = {}) {
  FieldMap f;
  f["Command"] = command;
  f["Room"] = room;
  f["Name"] = name;
  if (!message.empty()) f["Message"] = message;
  std::string text;
  HeaderBlock::Build(f, text);
  return text;
}

// Reports every "Message" the peer sends us, with the time it came.
void Listen(UdpSocket& socket, int timeoutMs) {
  pollfd p{socket.fd(), POLLIN, 0};
  while (poll(&p, 1, timeoutMs) > 0) {
    char buf[600];
    const long n = socket.Receive(buf, sizeof buf, nullptr);
    FieldMap fields;
    if (n > 0 && HeaderBlock::Parse(std::string_view(buf, static_cast<std::size_t>(n)), fields) &&
        fields["Command"] == "Message") {
      std::printf("received %lld %s\n", NowMs(), Cp932ToUtf8(fields["Message"]).c_str());
      std::fflush(stdout);
    }
    timeoutMs = 0;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) return 2;
  const Ipv4 peer = InetAddr(argv[1]);
  const std::string room = Utf8ToCp932(argv[2]);
  const std::string name = Utf8ToCp932(argv[3]);
  const long count = std::atol(argv[4]);
  const int garbagePer = std::atoi(argv[5]);
  const int listenSeconds = std::atoi(argv[6]);
  UdpSocket socket;
  if (!socket.Open(kChatPort, true)) return 3;
  socket.SendTo(Block("Join", room, name), peer, kChatPort);
  Listen(socket, 500);

  std::mt19937 random(42);
  std::string garbage(400, '\0');
  const long long start = NowMs();
  long sent = 0;
  for (long i = 1; i <= count; ++i) {
    char text[64];
    std::snprintf(text, sizeof text, "flood %06ld", i);
    if (socket.SendTo(Block("Message", room, name, text), peer, kChatPort)) ++sent;
    for (int g = 0; g < garbagePer; ++g) {
      // Random bytes, sometimes behind a valid magic line.
      const std::size_t size = 1 + random() % garbage.size();
      for (std::size_t b = 0; b < size; ++b) garbage[b] = static_cast<char>(random());
      if (random() % 2) garbage.replace(0, 10, "VSTP/1.0\r\n");
      socket.SendTo(std::string_view(garbage.data(), size), peer, kChatPort);
    }
    if (i % 256 == 0) Listen(socket, 0);
  }
  const long long end = NowMs();
  std::printf("sent %ld messages in %lld ms\n", sent, end - start);
  std::fflush(stdout);
  const long long until = NowMs() + listenSeconds * 1000LL;
  while (NowMs() < until) Listen(socket, 100);
  return 0;
}
