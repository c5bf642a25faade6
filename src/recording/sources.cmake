# Sources of src/recording
