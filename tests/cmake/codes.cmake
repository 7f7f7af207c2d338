# railfmt codes and the dump by record kind.
railfmt_cli_test(codes_reference codes test_codes 120)
