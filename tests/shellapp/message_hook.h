#pragma once
// The main program's message boxes answered by script in the frame tests:
// every number shown is recorded in order; each box takes the next answer,
// or OK when none is left.
#include "zerloapp/startup.h"

#include <deque>
#include <vector>

namespace zapp {

inline void recordMessages(std::vector<int>& messages, std::deque<int>& answers) {
  app_SetMessageHook([&messages, &answers](int number, const std::string&, unsigned) {
    messages.push_back(number);
    if (answers.empty()) return 1;
    const int a = answers.front();
    answers.pop_front();
    return a;
  });
}

} // namespace zapp
