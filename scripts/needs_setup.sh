# Sourced by scripts/test.sh and scripts/run.sh: needs_setup succeeds when something that
# scripts/setup.sh installs is missing (setup installs everything both scripts use).
needs_setup() {
  local tool
  for tool in x86_64-w64-mingw32-g++-posix wine Xvfb xdotool import makensis; do
    command -v "$tool" >/dev/null || return 0
  done
  [ -f /usr/src/googletest/CMakeLists.txt ] || return 0
  [ -f /usr/x86_64-w64-mingw32/lib/libpng16.a ] || return 0
  [ -f /usr/x86_64-w64-mingw32/lib/libz.a ] || return 0
  [ -f /usr/share/fonts/truetype/wqy/wqy-microhei.ttc ] || return 0
  locale -a 2>/dev/null | grep -qiE '^zh_CN\.utf-?8$' || return 0
  return 1
}
