# shellcheck shell=bash
# Sourced by the scripts: reads scripts/packages.txt and installs what is
# missing of the named groups.
#   install_packages GROUP...

packages_in() {  # packages_in GROUP...  (no group: every package)
    local file
    file="$(dirname "${BASH_SOURCE[0]}")/packages.txt"
    awk -v groups=" $* " '!/^#/ && NF >= 2 && (groups == "  " || index(groups, " " $2 " ")) { print $1 }' "$file"
}

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {  # install_packages GROUP...
    local missing=() p
    for p in $(packages_in "$@"); do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
    fi
}
