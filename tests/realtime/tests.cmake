# Tests of src/realtime
