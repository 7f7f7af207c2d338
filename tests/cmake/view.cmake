# railfmt view in headless Chromium (Debian's chromium, installed by
# tools/setup-deps.sh test). RAILFMT_VIEW_SCREENSHOT=docs/viewer.png in the
# environment refreshes the README's screenshot.
railfmt_cli_test(view_browser view test_view 300)
