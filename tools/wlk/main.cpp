// wlk — the administrator's command-line tool over storage files and the runtime.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "tools/wlk/commands.h"

int main(int argc, char** argv) {
  return veltrano::wlk::run(argc, argv);
}
