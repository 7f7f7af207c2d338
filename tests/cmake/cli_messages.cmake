# The railfmt tool's error messages, exit codes and files left (or not), help.
railfmt_cli_test(cli_messages cli test_cli.MessagesTest 120)
