var t = 1;
document.write("<table><tr><td>Москва</td><td>+5&deg;C, ветер 3 м/с</td></tr></table>");
