# Sources of src/app
