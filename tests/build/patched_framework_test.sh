#!/usr/bin/env bash
# The patched framework's configure step (cmake/PatchedJuce.cmake), on scratch build trees:
# the patched copies keep their CR LF line ends, an unchanged patch set leaves them alone, a
# changed one touches only what it changes, and a patch that does not apply or a framework of another version stops the configure
# step with an error that says so.
# Usage: patched_framework_test.sh CASE   (environment: TOLVANE_SOURCE_DIR)
set -uo pipefail

case_name=${1:?usage: patched_framework_test.sh CASE}
source_dir=${TOLVANE_SOURCE_DIR:?TOLVANE_SOURCE_DIR must name the source tree}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL [$case_name]: $*" >&2
    [ -f "$work/configure.log" ] && sed 's/^/    cmake: /' "$work/configure.log" | tail -n 30 >&2
    exit 1
}

# configure [ARGUMENT...]: configures a scratch tree without tests; the output goes to
# configure.log.
configure() {
    cmake -S "$source_dir" -B "$work/build" -G Ninja -DTOLVANE_BUILD_TESTS=OFF "$@" > "$work/configure.log" 2>&1
}

patched=$work/build/juce-patched/modules/juce_audio_processors/format_types/juce_VSTPluginFormat.cpp

case "$case_name" in
patched_copies_keep_crlf_and_an_unchanged_patch_set_touches_nothing)
    configure || fail "the configure step failed"
    for patch in "$source_dir"/patches/juce/*.patch; do
        grep -qF "Framework fix applied: $(basename "$patch")" "$work/configure.log" || fail "$(basename "$patch") was not applied"
    done
    lines=$(wc -l < "$patched")
    [ "$(grep -c $'\r$' "$patched")" = "$lines" ] || fail "the patched file lost carriage returns"
    grep -qF "pendingWindowSize.post" "$patched" || fail "the patched file lacks the size-request fix"
    [ -d "$work/build/juce-patched/modules/juce_graphics" ] && fail "an unpatched module was copied"
    before=$(stat -c %Y.%y "$patched")
    sleep 1 # the modification times below have whole seconds on some file systems
    configure || fail "the second configure step failed"
    grep -qF "Framework fix applied" "$work/configure.log" && fail "an unchanged patch set was applied again"
    [ "$(stat -c %Y.%y "$patched")" = "$before" ] || fail "an unchanged patch set touched the patched file"

    # Without the last fix: its modules go, and the files it never changed stay untouched.
    mkdir "$work/patches"
    cp "$source_dir"/patches/juce/*.patch "$work/patches/"
    rm "$work/patches/0004-linux-drain-xlib-queue.patch"
    configure "-DTOLVANE_JUCE_PATCHES_DIR=$work/patches" || fail "the configure step without the last fix failed"
    [ -e "$work/build/juce-patched/modules/juce_events" ] && fail "a module no patch touches any more stayed"
    [ "$(stat -c %Y.%y "$patched")" = "$before" ] || fail "a changed patch set touched a file it does not change"
    ;;

a_patch_that_does_not_apply_stops_the_configure_step)
    mkdir "$work/patches"
    cp "$source_dir"/patches/juce/*.patch "$work/patches/"
    # The first fix twice: the second copy finds its change made already.
    cp "$source_dir/patches/juce/0001-vst-window-list-after-destruction.patch" "$work/patches/0009-again.patch"
    configure "-DTOLVANE_JUCE_PATCHES_DIR=$work/patches" && fail "the configure step succeeded"
    grep -qF "The framework fix 0009-again.patch does not apply" "$work/configure.log" || fail "the error does not name the patch"
    [ -e "$work/build/juce-patched/patches.stamp" ] && fail "a stamp was written for a patch set that failed"
    ;;

a_framework_of_another_version_stops_the_configure_step)
    # A copy of the framework's package that says it is 7.0.6.
    package=$(dirname "$(find /usr/lib -path '*/cmake/JUCE-7.0.5/JUCEConfig.cmake' | head -n 1)")
    cp -r "$package" "$work/JUCE-7.0.6"
    sed -i 's/set(PACKAGE_VERSION "7.0.5")/set(PACKAGE_VERSION "7.0.6")/' "$work/JUCE-7.0.6/JUCEConfigVersion.cmake"
    configure "-DJUCE_DIR=$work/JUCE-7.0.6" && fail "the configure step succeeded"
    grep -qF "The installed framework is JUCE 7.0.6" "$work/configure.log" || fail "the error does not name the version"
    ;;

*)
    echo "unknown case: $case_name" >&2
    exit 2
    ;;
esac

echo "PASS [$case_name]"
