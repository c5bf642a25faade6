# Tests of src/recording
