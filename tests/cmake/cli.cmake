# Behaviour of the railfmt tool: exit codes, messages, files written or not.
railfmt_cli_test(cli_behaviour cli test_cli 300)
