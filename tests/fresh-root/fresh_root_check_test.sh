#!/usr/bin/env bash
# tools/fresh-root-check against a scratch "host", no network, the real /dev and /sys
# untouched: in a mount namespace of its own, tmpfs mounts stand for /dev (with pts, shm)
# and /sys (with fs/cgroup), shared as on a systemd machine so that an unmount in a peer
# would reach them; the root is a small tree (bash and its libraries); every path holds a
# space. Each run, interrupted at each stage or not, must leave this namespace's mounts as
# they were, the package cache's files in place, no process in the root and the root gone.
#
#   fresh_root_check_test.sh PATH/TO/tools/fresh-root-check
#
# Exits 77 (a skip) only when this machine cannot make a mount namespace.
set -euo pipefail
script="$(realpath "$1")"

# The script needs the machine's root: CAP_SYS_ADMIN outside any user namespace (in one,
# mount namespaces can be made but proc cannot be mounted).
privileged() {
  local k v n
  read -r k v n </proc/self/uid_map
  [ "$k $v $n" = "0 0 4294967295" ] || return 1
  while read -r k v; do
    if [ "$k" = CapEff: ]; then return $(((16#$v >> 21 & 1) == 0)); fi
  done </proc/self/status
  return 1
}
if [ -z "${FRESH_ROOT_TEST_NAMESPACE:-}" ]; then
  if [ "$(id -u)" -ne 0 ] || ! privileged || ! unshare --mount --propagation unchanged true 2>/dev/null; then
    echo "skipped: this machine cannot make a mount namespace (needs root with CAP_SYS_ADMIN)"
    exit 77
  fi
  export FRESH_ROOT_TEST_NAMESPACE=1
  exec unshare --mount --propagation unchanged -- "$BASH" "$0" "$@"
fi
# Inside a chroot "/" is no mount point: each visible mount is made private instead.
if ! mount --make-rprivate / 2>/dev/null; then
  while read -r _ _ _ _ point _; do
    mount --make-private "$(printf '%b' "${point//\\/\\0}")"
  done </proc/self/mountinfo
fi

scratch="$(mktemp -d "${TMPDIR:-/tmp}/fresh root test.XXXXXX")"
mount -t tmpfs -o size=256m scratch "$scratch"
mount --make-private "$scratch"
cleanup() {
  umount -R "$scratch" 2>/dev/null || umount -Rl "$scratch" 2>/dev/null || true
  rmdir "$scratch" 2>/dev/null || true
}
trap cleanup EXIT

host="$scratch/host dir"
mkdir -p "$host/dev" "$host/sys"
mount -t tmpfs host-dev "$host/dev"
mkdir "$host/dev/pts" "$host/dev/shm"
mount -t tmpfs host-pts "$host/dev/pts"
mount -t tmpfs host-shm "$host/dev/shm"
mount -t tmpfs host-sys "$host/sys"
mkdir -p "$host/sys/fs/cgroup"
mount -t tmpfs host-cgroup "$host/sys/fs/cgroup"
mount --make-rshared "$host/dev"
mount --make-rshared "$host/sys"
touch "$host/dev/pts/0" "$host/sys/fs/cgroup/cgroup.procs"

# The root: bash and a few tools with their libraries.
tree="$scratch/tree"
mkdir -p "$tree"/{dev,proc,sys,root,tmp}
for tool in bash env sleep mkdir touch; do
  exe="$(command -v "$tool")"
  for f in "$exe" $(ldd "$exe" | grep -o '/[^ ]*'); do cp -L --parents "$f" "$tree"; done
done
[ -e "$tree/usr/bin/env" ] || { mkdir -p "$tree/usr/bin"; ln -s "$(command -v env)" "$tree/usr/bin/env"; }
[ -e "$tree/bin" ] || ln -s usr/bin "$tree/bin"

# A checkout of its own, so that copying out writes only here.
checkout="$scratch/src dir/checkout"
mkdir -p "$checkout/tools"
cp "$script" "$checkout/tools/fresh-root-check"
printf '# test\n' >"$checkout/README.md"
git -C "$checkout" -c init.defaultBranch=main init -q
git -C "$checkout" add -A
git -C "$checkout" -c user.name=test -c user.email=test@example.invalid commit -qm test

work="$scratch/work dir"
mkdir -p "$work/cache"
echo "a package" >"$work/cache/pkg_1.0_amd64.deb"
# This namespace's mounts below the scratch folder (mounts elsewhere can change under
# other users of the machine: removing a folder unmounts what is mounted on it everywhere).
scratch_mounts() {
  local line _a _b _c _d point
  while IFS= read -r line; do
    read -r _a _b _c _d point _ <<<"$line"
    printf -v point "%b" "${point//\\/\\0}"
    [[ "$point" != "$scratch"/* && "$point" != "$scratch" ]] || printf '%s\n' "$line"
  done </proc/self/mountinfo
}
mounts_before="$(scratch_mounts)"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# check NAME EXPECTED_STATUS [VAR=VALUE...] -- COMMAND...
check() {
  local name="$1" want="$2" rc=0
  shift 2
  local vars=()
  while [ "$1" != "--" ]; do vars+=("$1"); shift; done
  shift
  (cd "$checkout" && exec env BRIMTRACE_FRESH_ROOT_DIR="$work" BRIMTRACE_FRESH_ROOT_TREE="$tree" \
     BRIMTRACE_FRESH_ROOT_DEV="$host/dev" BRIMTRACE_FRESH_ROOT_SYS="$host/sys" ${vars[@]+"${vars[@]}"} \
     setsid tools/fresh-root-check "$@") >"$scratch/log" 2>&1 || rc=$?
  [ "$rc" -eq "$want" ] || fail "$name: exit $rc, expected $want"
  [ "$(scratch_mounts)" = "$mounts_before" ] ||
    fail "$name: the mounts changed: $(diff <(echo "$mounts_before") <(scratch_mounts) | tr '\n' ' ')"
  [ "$(cat "$work/cache/pkg_1.0_amd64.deb" 2>/dev/null)" = "a package" ] || fail "$name: the package cache lost its file"
  [ -e "$host/dev/pts/0" ] && [ -e "$host/sys/fs/cgroup/cgroup.procs" ] || fail "$name: the host's files are gone"
  local left=("$work"/root.*)
  [ ! -e "${left[0]}" ] || fail "$name: the root is still there: ${left[*]}"
  local proc link
  while IFS=$'\t' read -r -d '' proc link; do
    [[ "$link" != "$work"/* ]] || fail "$name: process ${proc#/proc/} still runs in the root"
  done < <(find /proc -mindepth 2 -maxdepth 2 -name root -path '/proc/[0-9]*' -printf '%h\t%l\0' 2>/dev/null)
  if [ "$failures" -gt 0 ]; then sed 's/^/  | /' "$scratch/log"; exit 1; fi
  echo "ok: $name"
}

check "commands pass, dist copied out" 0 BRIMTRACE_COPY_OUT="dist" -- \
  "test -e /proc/self && test -e /dev/pts/0 && test -e /sys/fs/cgroup/cgroup.procs" \
  "test -e /var/cache/apt/archives/pkg_1.0_amd64.deb" "mkdir dist && echo built >dist/app" \
  'while read -r k v; do [ "$k" != SigIgn: ] || exit $((16#$v & 2)); done </proc/$$/status'
# (the last: a command may be interrupted, its SIGINT not ignored)
[ "$(cat "$checkout/dist/app" 2>/dev/null)" = built ] || fail "dist/app was not copied out"
check "a command fails, nothing copied out" 3 BRIMTRACE_COPY_OUT="out" -- \
  "mkdir out && touch out/x" "exit 3" "true"
[ ! -e "$checkout/out" ] || fail "out was copied out after a failure"
for stage in made cloned proc sys dev cache; do
  check "SIGINT after $stage" 130 BRIMTRACE_FRESH_ROOT_INTERRUPT="$stage" -- true
done
check "SIGTERM after dev" 143 BRIMTRACE_FRESH_ROOT_INTERRUPT="dev:TERM" -- true
# Ctrl-C reaches the whole process group; SIGTERM the script alone, which must not wait
# for the command (nor leave it running).
check "Ctrl-C during a command" 130 -- 'sleep 300 & kill -INT 0; wait'
check "SIGTERM during a command" 143 -- 'sleep 300 & kill -TERM $PPID; wait'
[ "$failures" -eq 0 ]
