# Behaviour of the railfmt tool: what each command writes and prints, batch
# runs, the folder workflow.
railfmt_cli_test(cli_behaviour cli test_cli.ToolTest 300)
