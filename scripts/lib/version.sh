# Sourced by the scripts: the project's version and the product's name, from the one place
# that sets each (the top CMakeLists.txt: the project() line and TOLVANE_APP_NAME).
#
# tolvane_version: prints the version, e.g. 1.0.0.0.
# tolvane_app_name: prints the product's name, e.g. Tolvane Editor; the executable, its
#     plug-in module (NAME.so, NAME.dll) and the settings folder carry it.
tolvane_version_file="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/CMakeLists.txt"

tolvane_version() {
    sed -n 's/^project(TolvaneEditor VERSION \([0-9.]*\).*/\1/p' "$tolvane_version_file"
}

tolvane_app_name() {
    sed -n 's/^set(TOLVANE_APP_NAME "\([^"]*\)")$/\1/p' "$tolvane_version_file"
}
