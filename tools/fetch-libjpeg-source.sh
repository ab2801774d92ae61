#!/usr/bin/env bash
# Fetches the source of Debian's libjpeg-turbo package into the given folder, using a private
# deb-src list so that the system's apt configuration is left alone. Prints the tarball's path.
set -euo pipefail

dest=${1:?usage: fetch-libjpeg-source.sh DEST_DIR}
mkdir -p "$dest"
existing=$(ls "$dest"/libjpeg-turbo_*.orig.tar.gz 2>/dev/null | head -n1 || true)
if [[ -n "$existing" ]]; then
    echo "$existing"
    exit 0
fi

work="$dest/apt"
mkdir -p "$work/lists/partial" "$work/archives/partial"
# Same archive, suite and component as the system's binary packages, as deb-src.
{
    for f in /etc/apt/sources.list.d/*.sources; do
        [[ -f "$f" ]] || continue
        awk '
            function emit() {
                if (uri && suite && comp)
                    print "deb-src " (key ? "[signed-by=" key "] " : "") uri " " suite " " comp
                uri = suite = comp = key = ""
            }
            /^URIs:/ { uri=$2 } /^Suites:/ { suite=$2 } /^Components:/ { comp=$2 } /^Signed-By:/ { key=$2 }
            /^$/ { emit() }
            END { emit() }
        ' "$f"
    done
    if [[ -f /etc/apt/sources.list ]]; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list
    fi
} | grep -v security | sort -u > "$work/sources.list"

apt_opts=(-o "Dir::Etc::SourceList=$work/sources.list" -o "Dir::Etc::SourceParts=-"
    -o "Dir::State::Lists=$work/lists" -o "Dir::Cache::Archives=$work/archives" -qq)
apt-get "${apt_opts[@]}" update >&2
(cd "$dest" && apt-get "${apt_opts[@]}" source --download-only libjpeg-turbo >&2)
ls "$dest"/libjpeg-turbo_*.orig.tar.gz | head -n1
