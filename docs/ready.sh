#!/bin/sh
# Is this machine ready for the lesson? Run it from the lesson's top folder:
#   sh docs/ready.sh
# It tries each thing the lesson needs and says, one line each, what is
# ready and what is not, with how to get it. It exits 0 when all is ready,
# 1 when something is missing. It writes only in a folder of its own under
# /tmp, which it removes again. `sh docs/ready.sh --tools` prints the tools.

# The tools that the lesson needs, each a Debian package with a command of
# the same name. This list is their one home: the project's tests and CI
# follow it, and check the pages' install lines and the package against it.
tools="g++ gdb nano"
# The oldest GCC whose messages the pages show.
oldest_gcc=11

[ "${1:-}" != --tools ] || { echo "$tools" && exit 0; }

missing=0
ready() { echo "ready:     $1"; }
not_ready() { echo "not ready: $1" && missing=$((missing + 1)); }
finish() {
    [ "$missing" -eq 0 ] && echo "Your machine is ready for the guide." && exit 0
    echo "Your machine is not ready: fix what the lines above say is not ready." && exit 1
}

# Programs answer in English here, so that their output can be read; and
# gdb would look for debugging information on the internet with the other.
export LC_ALL=C
unset DEBUGINFOD_URLS

# The pages show 64-bit Linux on x86 and Arm processors. Elsewhere, as on a
# Mac, nothing below applies: the route is a Linux virtual machine.
case "$(uname -s) $(uname -m)" in
"Linux x86_64" | "Linux aarch64") ready "64-bit Linux, on an x86 or Arm processor" ;;
Linux*) not_ready "the lesson needs 64-bit Linux on an x86 or Arm processor, and this is Linux $(uname -m): use a 64-bit PC, or a Raspberry Pi with Raspberry Pi OS (64-bit)" ;;
*)
    not_ready "the lesson needs Linux, and this is $(uname -s): run it in a Linux virtual machine, as docs/setup.md says for a Mac, or in WSL 2 on Windows"
    finish
    ;;
esac

# How to get a Debian package: as root, or with sudo where this user is in
# the group that may use it; anyone else asks whoever runs the machine.
get() {
    if [ "$(id -u)" -eq 0 ]; then
        echo "apt-get install $1"
    elif command -v sudo >/dev/null && id -Gn | grep -qw -e sudo -e admin; then
        echo "sudo apt-get install $1"
    else
        echo "ask whoever runs this machine to install the package $1"
    fi
}

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

for tool in $tools; do
    if ! command -v "$tool" >/dev/null; then
        not_ready "$tool is not installed: $(get "$tool")"
        continue
    fi
    case $tool in
    g++)
        # Compile, link and run a small program with C++17's if with an
        # initialiser and its <optional>.
        printf '%s\n' '#include <optional>' \
            'int main() { std::optional<int> n = 10; if (int m = *n; m == 10) { return 0; } return 1; }' \
            >"$work/check.cpp"
        gcc=$(g++ -dumpversion 2>/dev/null | cut -d . -f 1)
        if ! g++ --version 2>/dev/null | grep -q 'Free Software Foundation'; then
            not_ready "g++ here is not GCC but $(g++ --version 2>&1 | head -n 1), and the pages show what GCC prints: $(get g++)"
        elif [ "${gcc:-0}" -lt "$oldest_gcc" ] 2>/dev/null; then
            not_ready "g++ is GCC $gcc, and the pages show what GCC $oldest_gcc and newer print: use a newer system, such as Debian 12 or Ubuntu 22.04"
        elif g++ -std=c++17 "$work/check.cpp" -o "$work/check" 2>/dev/null && "$work/check"; then
            ready "g++ compiles C++17, and is GCC $oldest_gcc or newer"
        else
            not_ready "g++ cannot compile a small C++17 program: $(get g++)"
        fi
        ;;
    gdb)
        # Containers often forbid the system call (ptrace) that a debugger
        # needs, and then the program never runs.
        if gdb -q -batch -ex run /bin/true 2>&1 | grep -q 'exited normally'; then
            ready "gdb runs programs"
        else
            not_ready "gdb is installed but may not run programs here; a container must allow ptrace (docker run --cap-add=SYS_PTRACE)"
        fi
        ;;
    *) ready "$tool is installed" ;;
    esac
done

# Address randomisation: with it on, two programs get their stacks at
# different places. setarch -R and gdb turn it off for what they run.
first=$(grep '\[stack\]' /proc/self/maps 2>/dev/null)
second=$(grep '\[stack\]' /proc/self/maps 2>/dev/null)
if [ -n "$first" ] && [ "$first" != "$second" ]; then
    ready "address randomisation is on"
else
    not_ready "address randomisation is off: run this outside setarch -R and gdb; if it stays off, /proc/sys/kernel/randomize_va_space is 0 and an administrator can set it to 2"
fi
finish
