# The railfmt tool's error messages, exit codes and files left (or not).
railfmt_cli_test(cli_messages cli test_messages 120)
