# Sourced by the scripts: the project's version, from the one place that sets it (the
# project() line of the top CMakeLists.txt).
#
# tolvane_version: prints it, e.g. 1.0.0.0.
tolvane_version_file="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/CMakeLists.txt"

tolvane_version() {
    sed -n 's/^project(TolvaneEditor VERSION \([0-9.]*\).*/\1/p' "$tolvane_version_file"
}
