bonjour	b o~ Z u R
élève	e l E v
