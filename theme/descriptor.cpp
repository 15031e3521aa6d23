// Placeholder until the descriptor lands.
