# railfmt codes, docs/records.md as its output, and the dump by record kind.
railfmt_cli_test(codes_reference codes test_codes 120)
