// Placeholder until the scanner lands.
