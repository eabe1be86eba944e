// MESSAGES without windows (builds without Qt): always headless.
#include "messages/messages.h"
#include <cstdio>

int main(int argc, char** argv) {
  messages::Options o = messages::parseArgs(argc, argv);
  if (o.help || !o.error.empty()) {
    if (!o.error.empty()) std::fprintf(stderr, "MESSAGES: %s\n", o.error.c_str());
    std::fputs(messages::usage(), o.help ? stdout : stderr);
    return o.help ? 0 : 2;
  }
  return messages::runHeadless(o);
}
