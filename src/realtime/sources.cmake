# Sources of src/realtime
