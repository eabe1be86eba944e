// mdltool: looks into project files and block libraries from the command line.
#include "commands.h"

#include <iostream>

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return mdltool::runCommandLine(args, std::cout, std::cerr);
}
