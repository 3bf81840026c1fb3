/* MV player loader */
(function () {
  var box = document.createElement('div');
  box.className = 'mv-player';
  box.style.cssText = 'width:480px;height:400px;background:#000;color:#fff;text-align:center;line-height:400px';
  box.appendChild(document.createTextNode('MV'));
  (document.body || document.documentElement).appendChild(box);
})();
