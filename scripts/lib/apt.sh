# shellcheck shell=bash
# Installs Debian packages for the build scripts (sourced by scripts/setup and scripts/fuzz).
#
#   quill_apt_install PACKAGE...
#
# A mirror caught mid-sync serves an index that no longer matches its Release file, and
# apt-get update then fails for that one index. When it is the security archive's i386 index,
# the amd64 side still moves to the security versions while i386 has none to match, so no
# multi-arch package (wine32 among them) can be installed at all. Such a failure is tried once
# more after a pause; if it persists the packages are installed from the main archive alone,
# whose point releases keep both architectures in step.

quill_apt_install() {
  local sudo=
  [ "$(id -u)" = 0 ] || sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  if $sudo apt-get update -qq || { sleep 30; $sudo apt-get update -qq; }; then
    $sudo apt-get install -y -qq --no-install-recommends "$@" >/dev/null
    return
  fi

  echo "apt: the package indexes did not all download; installing from the main archive alone" >&2
  local sources
  sources=$(mktemp -d)
  # Keeps every source but the security archive, in both the one-line and the deb822 form.
  if [ -f /etc/apt/sources.list ]; then
    grep -v 'security' /etc/apt/sources.list >"$sources/main.list" || true
  fi
  local file
  for file in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    case $file in
      *.list) grep -v 'security' "$file" >"$sources/$(basename "$file")" || true ;;
      *.sources) awk -v RS= -v ORS='\n\n' '!/security/' "$file" >"$sources/$(basename "$file")" ;;
    esac
  done
  local options=(-o "Dir::Etc::sourcelist=/dev/null" -o "Dir::Etc::sourceparts=$sources")
  local status=0
  $sudo apt-get update -qq "${options[@]}" &&
    $sudo apt-get install -y -qq --no-install-recommends "${options[@]}" "$@" >/dev/null || status=$?
  rm -rf "$sources"
  return "$status"
}
