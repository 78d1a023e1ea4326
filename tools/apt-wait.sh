# shellcheck shell=bash
# Sourced by the scripts that call apt. Every call waits for the package
# database while another apt or dpkg holds it, instead of failing at once.
# apt's own timeout covers the dpkg lock; `apt-get update` also takes the
# lists lock, which it does not wait for, so a call that failed on a lock is
# tried again until the wait is over.
apt_lock_wait=${KESTRUNE_APT_LOCK_WAIT:-900}  # seconds
apt_sudo=""
[ "$(id -u)" -eq 0 ] || apt_sudo="sudo"

apt_as_root() { $apt_sudo "$@"; }

apt_get() {
  local deadline=$((SECONDS + apt_lock_wait)) rc err
  err=$(mktemp)
  while true; do
    rc=0
    apt_as_root env DEBIAN_FRONTEND=noninteractive \
      apt-get -o DPkg::Lock::Timeout="$apt_lock_wait" "$@" 2>"$err" || rc=$?
    if [ $rc -ne 0 ] && [ $SECONDS -lt $deadline ] && grep -q -E 'Could not get lock|Unable to (acquire|lock)' "$err"; then
      echo "apt: another package manager holds the lock; waiting" >&2
      sleep 5
      continue
    fi
    cat "$err" >&2
    rm -f "$err"
    return $rc
  done
}
