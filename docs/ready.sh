#!/bin/sh
# Is this machine ready for the guide? Run it from the project's top folder:
#   sh docs/ready.sh
# It tries each thing the guide needs and says, one line each, what is ready
# and what is not, with how to get it. It exits 0 when all is ready, 1 when
# something is missing. It writes only in a folder of its own under /tmp,
# which it removes again.

missing=0

ready() {
    echo "ready:     $1"
}

not_ready() {
    echo "not ready: $1"
    missing=$((missing + 1))
}

# Programs answer in English here, so that their output can be read.
LC_ALL=C
export LC_ALL
# gdb would look for debugging information on the internet where this is set.
unset DEBUGINFOD_URLS

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

# g++ with C++17: compile, link and run a small program that uses a C++17
# header and C++17 syntax (an if with an initialiser).
cat >"$work/check.cpp" <<'EOF'
#include <optional>
int main()
{
    std::optional<int> number = 10;
    if (int n = *number; n == 10) {
        return 0;
    }
    return 1;
}
EOF
# The guide shows what GCC 11 and newer print.
gcc=$(g++ -dumpversion 2>/dev/null | cut -d . -f 1)
if ! command -v g++ >/dev/null; then
    not_ready "g++, the C++ compiler, is not installed: $(get g++)"
elif ! g++ --version 2>/dev/null | grep -q 'Free Software Foundation'; then
    not_ready "g++ here is not GCC but $(g++ --version 2>&1 | head -n 1), and the guide shows what GCC prints: $(get g++)"
elif [ "${gcc:-0}" -lt 11 ] 2>/dev/null; then
    not_ready "g++ is GCC $gcc, and the guide shows what GCC 11 and newer print: use a newer system, such as Debian 12 or Ubuntu 22.04"
elif g++ -std=c++17 "$work/check.cpp" -o "$work/check" 2>/dev/null &&
    "$work/check"; then
    ready "g++ compiles C++17"
else
    not_ready "g++ cannot compile a small C++17 program: $(get g++)"
fi

# gdb: run a program under it. Containers often forbid the system call
# (ptrace) that a debugger needs, and then the program never runs.
if ! command -v gdb >/dev/null; then
    not_ready "gdb, the debugger, is not installed: $(get gdb)"
elif gdb -q -batch -ex run /bin/true 2>&1 | grep -q 'exited normally'; then
    ready "gdb runs programs"
else
    not_ready "gdb is installed but may not run programs here; a container must allow ptrace (docker run --cap-add=SYS_PTRACE)"
fi

# The guide asks for an editor that runs in the terminal, and names nano's
# keys.
if command -v nano >/dev/null; then
    ready "nano, the editor the guide uses"
else
    not_ready "nano, the editor the guide uses, is not installed: $(get nano)"
fi

# The guide shows the addresses of 64-bit Linux on x86 and Arm processors.
system="$(uname -s) $(uname -m)"
case $system in
"Linux x86_64" | "Linux aarch64") ready "64-bit Linux, on an x86 or Arm processor" ;;
*) not_ready "the guide shows 64-bit Linux on x86 or Arm, and this is $system: use a 64-bit PC with Linux, or a Linux virtual machine" ;;
esac

# Address randomisation: with it on, two programs get their stacks at
# different places. setarch -R and gdb turn it off for what they run.
first=$(grep '\[stack\]' /proc/self/maps 2>/dev/null)
second=$(grep '\[stack\]' /proc/self/maps 2>/dev/null)
if [ -n "$first" ] && [ "$first" != "$second" ]; then
    ready "address randomisation is on"
else
    not_ready "address randomisation is off: run this outside setarch -R and gdb; if it stays off, /proc/sys/kernel/randomize_va_space is 0 and an administrator can set it to 2"
fi

if [ "$missing" -eq 0 ]; then
    echo "Your machine is ready for the guide."
    exit 0
fi
echo "Your machine is not ready: fix what the lines above say is not ready."
exit 1
