# Tests of src/link
