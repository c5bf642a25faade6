# Tests of src/app
