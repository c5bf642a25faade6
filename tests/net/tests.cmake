# Tests of src/net
